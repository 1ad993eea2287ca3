// What the programs tell the user about a station's key (strings 160-172): one text per verdict, the
// same in start-up, the Log Tags dialog and HalcyteExt.
#pragma once

#include "base/StationKey.h"

#include <QString>

namespace res {

// "host:port" of the station, as the list of known stations names it.
QString StationAddress(const base::StationKeyFacts& facts);
// The message for a refused station (base::IsRefusal). An unknown key is told as not trusted yet: the
// program that shows this cannot ask.
QString StationKeyMessage(const base::StationKeyFacts& facts);
// The question for an unknown key, and the message when the user said no.
QString TrustQuestion(const base::StationKeyFacts& facts);
QString TrustDeclinedMessage(const base::StationKeyFacts& facts);
// The question before a password goes to a station that speaks clear, beyond this machine.
QString ClearPasswordQuestion(const base::StationKeyFacts& facts);

} // namespace res
