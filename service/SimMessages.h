// The texts of the simulated runtime's messages, one plausible line per call.
#pragma once

#include "service/ClientState.h"
#include "service/TagTable.h"

#include <QRandomGenerator>
#include <QString>

namespace logd {

// A message of log category 0-10 (the switch index).
QString simulatedMessage(int category, const TagTable& tags, QRandomGenerator& rng);
// A message of OPC kind 11-13 as the client's OPC parameters select it (connection, subscription, read,
// write flags and the verbosity: 0 errors, 1 warnings too, 2 or unset information too); empty when the
// parameters select nothing this time.
QString simulatedOpcMessage(int kind, const ClientState& client, const TagTable& tags, QRandomGenerator& rng);

} // namespace logd
