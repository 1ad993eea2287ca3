// What the follower says about a station's key on standard error: the terminal's words for what kestra
// shows in its boxes (the follower links QtCore only, so the texts are its own).
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QString>

namespace follow {

// "host:port" as the list of known stations names it.
QString KeyAddress(const MiraboStationKey& key);
// Why the station is refused, in a few lines (without the "kestra-follow: " in front).
QString KeyRefusal(const MiraboStationKey& key);
// The lines shown before the question whether to trust an unknown key.
QString UnknownKeyLines(const MiraboStationKey& key);

} // namespace follow
