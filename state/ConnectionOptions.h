// Where the station's log service is, how to reach it, how patient to be with it and which credentials to
// present. Read once during start-up (the settings file beside the program, then the command line) and
// constant from then on, before any link is opened: every thread reads them without a lock.
#pragma once

#include <QString>

#include <cstdint>

struct ConnectionOptions {
    QString m_strHost = QStringLiteral("localhost");
    int32_t m_nPort = 1234;
    QString m_strWtg;
    QString m_strProxyHost;
    int32_t m_nProxyPort = 0;
    int32_t m_bSlowConnection = 0; // fetch less per cycle, ask the station for less when connecting
    int32_t m_nTimeout = 60000;    // each request's time-out on an open link, in ms
    QString m_strUserName;         // credentials from the command line, for the start-up logon only
    QString m_strPassword;
};
