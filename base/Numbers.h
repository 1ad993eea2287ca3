// The one leading-decimal number reader of the program: leading white space (blank, tab, LF, VT, FF, CR),
// an optional sign, then decimal digits up to the first other character.
//
// Two readings of the same scan are used: the command line and the settings files keep the low 32 bits of
// the value (no range check, as the C library's wide conversion does), while the toolkit's integer getters
// clamp it to the 32-bit range and fall back to a default when there are no digits.
#pragma once

#include <QString>

#include <cstdint>

namespace base {

struct LeadingDecimal {
    bool hasDigits = false;
    uint32_t wrapped = 0; // the value modulo 2^32, sign applied
    int64_t clamped = 0;  // the value clamped to the 32-bit signed range, sign applied
};

LeadingDecimal ScanLeadingDecimal(const QString& text);

// No digits gives 0; otherwise the value's low 32 bits.
int32_t LeadingDecimalWrapped(const QString& text);
// No digits gives `def`; otherwise the value clamped to [INT32_MIN, INT32_MAX].
int32_t LeadingDecimalClamped(const QString& text, int32_t def);

} // namespace base
