// Whom the programs trust (docs/settings.md, docs/security.md): the per-user list of known stations,
// KnownStations.txt in the per-user settings folder, and the product-wide CA setting, StationTrust.ini
// beside the program ([Trust] CAFile; a relative path lies in the program's folder).
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QString>

inline const QString kKnownStationsFile = QStringLiteral("KnownStations.txt");
inline const QString kStationTrustFile = QStringLiteral("StationTrust.ini");

// The trust for the program in `exeFolder` and the user whose settings folder is `userFolder` (both end
// in '/'), as the toolkit takes it.
MiraboTrust StationTrust(const QString& exeFolder, const QString& userFolder);
