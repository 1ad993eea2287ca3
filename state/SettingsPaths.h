// The two settings files, set once at start-up.
#pragma once

#include <QString>

struct SettingsPaths {
    QString m_strExeIniPath;  // the executable's folder + "KestraExt.ini": connection options, "HTTPPolling"
    QString m_strUserIniPath; // the per-user settings folder + "KestraExt.ini": what the window remembers
};
