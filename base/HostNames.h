// Host names that need no lookup.
#pragma once

#include <string_view>

namespace base {

// True for the names of this machine's loopback: "localhost" in any letter case, also with the trailing
// dot of a fully qualified name, and every name under it ("station.localhost"). Such a name is never
// handed to a name service (RFC 6761, section 6.3), so it works on a system without /etc/hosts or any
// resolver set up.
bool IsLocalhostName(std::string_view host);

} // namespace base
