#include "base/Numbers.h"

#include <algorithm>
#include <limits>

namespace base {

namespace {

bool IsCSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

constexpr int64_t kClampLimit = int64_t(1) << 32; // beyond this the clamped value no longer changes

} // namespace

LeadingDecimal ScanLeadingDecimal(const QString& text) {
    LeadingDecimal result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    uint32_t wrapped = 0;
    int64_t magnitude = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const unsigned digit = text[i].unicode() - u'0';
        result.hasDigits = true;
        wrapped = wrapped * 10u + digit;
        if (magnitude <= kClampLimit)
            magnitude = magnitude * 10 + digit;
    }
    result.wrapped = negative ? 0u - wrapped : wrapped;
    const int64_t value = negative ? -magnitude : magnitude;
    result.clamped =
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    return result;
}

int32_t LeadingDecimalWrapped(const QString& text) {
    return static_cast<int32_t>(ScanLeadingDecimal(text).wrapped);
}

int32_t LeadingDecimalClamped(const QString& text, int32_t def) {
    const LeadingDecimal scanned = ScanLeadingDecimal(text);
    return scanned.hasDigits ? static_cast<int32_t>(scanned.clamped) : def;
}

} // namespace base
