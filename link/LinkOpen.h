// Opening a link with the program's connection parameters: every link the program opens (the worker's,
// the logon check's, the tag list's) reads the settings file's "HTTPPolling" key afresh at that moment.
#pragma once

#include "link/KestraShared.h"
#include "toolkit/MiraboToolkit.h"

#include <cstdint>

// Key "HTTPPolling" of section "Options" of the settings file beside the executable, default 10.
int32_t HttpPollingInterval(const QString& exeIniPath);

// LinkOpen with the parameters and the polling interval; 0 or LinkOpen's code.
int32_t OpenLink(const ConnectionParams& params, MiraboLink* link);

// LinkLogonRequired with the parameters and the polling interval; nonzero when a logon is required.
int32_t LogonRequired(const ConnectionParams& params);
