// One run of the terminal follower, from the settings to the exit code: the station settings and
// switches as kestra reads them, the logon, the connection worker, and the text through the received-
// text pipeline to the log file and standard output.
#pragma once

#include "follow/FollowOptions.h"

#include "link/Worker.h"
#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"
#include "state/ConnectionOptions.h"
#include "state/LogOnDiskChoice.h"
#include "state/SettingsPaths.h"

namespace follow {

// What one run works on.
struct Station {
    SettingsPaths paths;
    ConnectionOptions options;
    CategoryWords categories;
    WorkerChannel channel;
    LogOnDiskChoice logOnDisk;
    QString settingsFolder; // the per-user settings folder, ends in '/' (the highlight rules lie there)

    WorkerParts Worker() { return WorkerParts{options, paths.m_strExeIniPath, categories, channel}; }
};

// Reads the connection options from KestraExt.ini beside `modulePath` and then the station switches
// with the viewer's parser; sets the settings paths and the log folder (the per-user settings folder until
// a connection to the local station names the project folder). Creates the per-user settings folder only
// when a log file is wanted, which may lie there.
void ReadStationSettings(Station& station, const QString& modulePath, const FollowOptions& options);

// Logs on (when the station demands it), starts the worker and prints the station's text until a stop
// signal or the end of the output. Needs a QCoreApplication; returns the exit code.
int RunFollower(Station& station, const FollowOptions& options);

} // namespace follow
