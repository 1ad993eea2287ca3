// Unguessable identifiers made from the system's random source.
#pragma once

#include <QString>

namespace logd {

// `bytes` random bytes as lower-case hexadecimal (2 * bytes characters); `bytes` is a multiple of 4.
QString RandomHex(int bytes);

} // namespace logd
