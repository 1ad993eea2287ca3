#include "link/LinkOpen.h"

#include "settings/PrivateProfile.h"

int32_t HttpPollingInterval(const QString& exeIniPath) {
    return profile::GetPrivateProfileInt(QStringLiteral("Options"), QStringLiteral("HTTPPolling"), 10,
                                         exeIniPath);
}

MiraboEndpoint StationEndpoint(const ConnectionOptions& options, const QString& exeIniPath) {
    return MiraboEndpoint{options.m_strHost,      options.m_nPort, options.m_strProxyHost,
                          options.m_nProxyPort,   options.m_strWtg, HttpPollingInterval(exeIniPath)};
}
