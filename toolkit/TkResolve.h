// Host name to socket addresses, interruptible.
#pragma once

#include "toolkit/TkWait.h"

#include <sys/socket.h>

#include <functional>
#include <string>
#include <vector>

namespace mirabo {

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// Looks a host name up: its addresses with `port`, none when the name is unknown. It may block.
using NameLookup = std::function<std::vector<SocketAddress>(const std::string& host, int port)>;

// The system's name service (getaddrinfo), TCP addresses of any family.
std::vector<SocketAddress> systemLookup(const std::string& host, int port);

// Numeric IPv4/IPv6 hosts (IPv6 optionally in brackets) are converted directly. An empty host means the
// local station (127.0.0.1); "localhost" and the names under it (base::IsLocalhostName) mean 127.0.0.1,
// then ::1, without a lookup. Other names are looked up on a detached helper thread, so the caller can
// give up at the deadline or on a stop request while the lookup goes on; the helper drops its result
// when nobody waits any more. Ok, Unresolved, Timeout, Cancelled or Error.
Io resolveHost(const std::string& host, int port, Deadline deadline, const std::atomic<int32_t>* abortWord,
               std::vector<SocketAddress>* out);
// The same with another lookup for the names that need one.
Io resolveHostWith(const NameLookup& lookup, const std::string& host, int port, Deadline deadline,
                   const std::atomic<int32_t>* abortWord, std::vector<SocketAddress>* out);

} // namespace mirabo
