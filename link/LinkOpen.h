// Where the program's links go: every link the program opens (the worker's, the logon check's, the tag
// list's) is opened with the connection options and the settings file's "HTTPPolling" key as read at
// that moment.
#pragma once

#include "state/ConnectionOptions.h"
#include "toolkit/MiraboToolkit.h"

#include <cstdint>

// Key "HTTPPolling" of section "Options" of the settings file beside the executable, default 10.
int32_t HttpPollingInterval(const QString& exeIniPath);

// The station's endpoint: host, port, proxy and connection string from the options, the polling
// interval read from `exeIniPath` now.
MiraboEndpoint StationEndpoint(const ConnectionOptions& options, const QString& exeIniPath);
