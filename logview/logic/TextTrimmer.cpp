#include "logview/logic/TextTrimmer.h"

#include <algorithm>

namespace viewlogic {

namespace {

bool IsLineBreak(QChar c) { return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator; }

// True when a cut before `position` would separate the two halves of a surrogate pair.
bool SplitsPair(QChar before, QChar at) { return before.isHighSurrogate() && at.isLowSurrogate(); }

} // namespace

int TrimPrefixLength(int length, const CharAt& charAt, int chunkLength, int maxLength, const DisplayLineKey& lineOf) {
    if (length + chunkLength < maxLength)
        return 0;
    const int excess = std::min(length + chunkLength - maxLength, length);
    if (excess >= length)
        return length;
    const int64_t cutLine = lineOf(excess);
    int prefix = excess;
    while (prefix < length) {
        if (!IsLineBreak(charAt(prefix)) && lineOf(prefix) != cutLine)
            break;
        ++prefix;
    }
    return prefix;
}

int TrimPrefixLength(QStringView text, int chunkLength, int maxLength, const DisplayLineKey& lineOf) {
    return TrimPrefixLength(static_cast<int>(text.size()), [text](int i) { return text[i]; }, chunkLength,
                            maxLength, lineOf);
}

int BulkCutLength(int length) { return length >= kBulkCutThreshold ? std::min(kBulkCutLength, length) : 0; }

int BulkCutLength(int length, const CharAt& charAt) {
    const int cut = BulkCutLength(length);
    if (cut > 0 && cut < length && SplitsPair(charAt(cut - 1), charAt(cut)))
        return cut + 1;
    return cut;
}

} // namespace viewlogic
