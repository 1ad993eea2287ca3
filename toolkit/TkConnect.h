// Opening the TCP connection of a link, directly or through an HTTP CONNECT proxy.
#pragma once

#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkSocket.h"

#include <QString>

#include <cstdint>

namespace mirabo {

using Endpoint = MiraboEndpoint;

// Connects `socket` to the endpoint's service (resolving names, then asking the proxy for a tunnel when
// one is configured). Returns MIRABO_OK or the result code LinkOpen reports: E_ACCESSDENIED for an
// unresolved host, a refused connection or a refused tunnel, E_TIMEOUT when the deadline passed, E_FAIL
// otherwise (also when the wait was stopped).
int32_t connectEndpoint(const Endpoint& endpoint, Deadline deadline, Socket* socket);

// Maps the end of a transfer to a LinkOpen result code.
int32_t resultCodeFor(Io io);

} // namespace mirabo
