// The start of every connection, before a single byte of the protocol: does the station speak TLS, which
// key does it present, and may it be spoken to at all (docs/protocol.md, "TLS").
#pragma once

#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkConnect.h"
#include "toolkit/TkSocket.h"

#include <string>

namespace mirabo {

struct Negotiation {
    int32_t code = MIRABO_OK; // MIRABO_OK: the link may be used (in TLS when `facts.verdict` is Known)
    MiraboStationKey facts;
    // The station did not say it speaks TLS, and the list does not expect it to: should the connection
    // end before its hello is answered, one more connection goes without the question.
    bool clearFallback = false;
};

// The question, as the station reads it: request id 0, so that the protocol's own ids still count from 1.
const std::string& tlsQuestion();

// Asks the station on the connected `socket` whether it speaks TLS (with `ask` false the station is
// taken to speak clear without asking), runs the handshake when it does, and decides from the trust
// settings. The outcome is recorded for LinkStationRefusal.
Negotiation negotiate(Socket& socket, const Endpoint& endpoint, Deadline deadline, bool ask);

} // namespace mirabo
