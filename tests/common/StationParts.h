// The parts the application object holds, for tests that build a piece of the program on their own:
// the same members under the same names.
#pragma once

#include "link/Worker.h"
#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"
#include "state/ConnectionOptions.h"
#include "state/LogOnDiskChoice.h"
#include "state/SettingsPaths.h"
#include "state/WindowState.h"

struct StationParts {
    SettingsPaths m_paths;
    ConnectionOptions m_options;
    CategoryWords m_categories;
    WorkerChannel m_channel;
    WindowState m_window;
    LogOnDiskChoice m_logOnDisk;

    WorkerParts Worker() { return WorkerParts{m_options, m_paths.m_strExeIniPath, m_categories, m_channel}; }
};
