// One run of the terminal follower, from the settings to the exit code: the station settings and
// switches as kestra reads them, the logon, the connection worker, and the text from the worker to
// standard output and the log file.
#pragma once

#include "follow/FollowOptions.h"

#include "link/KestraShared.h"

namespace follow {

// Reads the connection options from KestraExt.ini beside `modulePath` and then the station switches
// with the viewer's parser; sets the settings paths and the log folder (the per-user settings folder until
// a connection to the local station names the project folder). Creates the per-user settings folder only
// when a log file is wanted, which may lie there.
void ReadStationSettings(CKestraExtShared& shared, const QString& modulePath, const FollowOptions& options);

// Logs on (when the station demands it), starts the worker and prints the station's text until a stop
// signal or the end of the output. Needs a QCoreApplication; returns the exit code.
int RunFollower(CKestraExtShared& shared, const FollowOptions& options);

} // namespace follow
