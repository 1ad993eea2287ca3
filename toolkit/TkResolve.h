// Host name to socket addresses, interruptible.
#pragma once

#include "toolkit/TkWait.h"

#include <sys/socket.h>

#include <string>
#include <vector>

namespace mirabo {

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// Numeric IPv4/IPv6 hosts (IPv6 optionally in brackets) are converted directly. Names are looked up
// with getaddrinfo on a detached helper thread, so the caller can give up at the deadline or on a stop
// request while the lookup goes on; the helper drops its result when nobody waits any more.
// An empty host means the local station (loopback). Ok, Unresolved, Timeout, Cancelled or Error.
Io resolveHost(const std::string& host, int port, Deadline deadline, const std::atomic<int32_t>* abortWord,
               std::vector<SocketAddress>* out);

} // namespace mirabo
