// What the service allows each peer: the limits that make it safe to leave listening on a network.
// The defaults are the command line's (see docs/service.md); tests and options change them.
#pragma once

#include <QtGlobal>

namespace logd {

struct ConnectionLimits {
    int maxConnections = 1024;
    int maxPerAddress = 32;                          // open connections from one peer address
    qsizetype maxRequestBytes = qsizetype(4) << 20;  // one request line (the protocol's limit is 4 MiB)
    int maxInFlight = 32;                            // requests received and not yet answered
    int idleTimeoutMs = 300000;                      // without a request, then the connection is closed
};

struct LogonPolicy {
    int delayMs = 1000;      // a refused logon is answered only after this long
    int tries = 5;           // refused logons of one user name before it is locked out; an address gets 4 times as many
    int lockoutMs = 300000;  // how long a lock-out lasts; refusals older than this are forgotten
};

} // namespace logd
