#include "link/StationTrust.h"

#include "settings/PrivateProfile.h"

#include <QDir>

namespace {
constexpr int kMaxPath = 4096;
}

MiraboTrust StationTrust(const QString& exeFolder, const QString& userFolder) {
    MiraboTrust trust;
    trust.knownStationsFile = userFolder + kKnownStationsFile;
    trust.caSettingsFile = exeFolder + kStationTrustFile;
    const QString ca = profile::GetPrivateProfileString(QStringLiteral("Trust"), QStringLiteral("CAFile"), QString(),
                                                        kMaxPath, trust.caSettingsFile);
    if (!ca.isEmpty())
        trust.caFile = QDir::isAbsolutePath(ca) ? ca : exeFolder + ca;
    return trust;
}
