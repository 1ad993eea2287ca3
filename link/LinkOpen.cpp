#include "link/LinkOpen.h"

#include "settings/PrivateProfile.h"

int32_t HttpPollingInterval(const QString& exeIniPath) {
    return profile::GetPrivateProfileInt(QStringLiteral("Options"), QStringLiteral("HTTPPolling"), 10,
                                         exeIniPath);
}

int32_t OpenLink(const ConnectionParams& params, MiraboLink* link) {
    return LinkOpen(params.host, params.port, params.proxyHost, params.proxyPort, params.wtg,
                    HttpPollingInterval(params.exeIniPath), link);
}

int32_t LogonRequired(const ConnectionParams& params) {
    int32_t reserved = 0; // not examined
    return LinkLogonRequired(params.host, params.port, params.proxyHost, params.proxyPort, params.wtg,
                             HttpPollingInterval(params.exeIniPath), &reserved);
}
