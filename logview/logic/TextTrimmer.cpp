#include "logview/logic/TextTrimmer.h"

#include <algorithm>

namespace viewlogic {

namespace {

bool IsLineBreak(QChar c) { return c == u'\r' || c == u'\n'; }

} // namespace

int TrimPrefixLength(QStringView text, int chunkLength, int maxLength, const DisplayLineKey& lineOf) {
    const int length = static_cast<int>(text.size());
    if (length + chunkLength < maxLength)
        return 0;
    const int excess = std::min(length + chunkLength - maxLength, length);
    if (excess >= length)
        return length;
    const int64_t cutLine = lineOf(excess);
    int prefix = excess;
    while (prefix < length) {
        if (!IsLineBreak(text[prefix]) && lineOf(prefix) != cutLine)
            break;
        ++prefix;
    }
    return prefix;
}

int BulkCutLength(int length) { return length >= kBulkCutThreshold ? std::min(kBulkCutLength, length) : 0; }

QString DisplayForm(QStringView chunk, bool* pendingCr) {
    QString out;
    out.reserve(chunk.size());
    qsizetype i = 0;
    if (pendingCr && *pendingCr && !chunk.isEmpty() && chunk[0] == u'\n')
        i = 1; // the LF of a CR LF whose CR ended the previous chunk
    for (; i < chunk.size(); ++i) {
        const QChar c = chunk[i];
        if (c == u'\r') {
            out.append(u'\n');
            if (i + 1 < chunk.size() && chunk[i + 1] == u'\n')
                ++i;
        } else if (c == QChar::ParagraphSeparator) {
            out.append(u'\n');
        } else {
            out.append(c);
        }
    }
    if (pendingCr && !chunk.isEmpty())
        *pendingCr = chunk.back() == u'\r';
    return out;
}

QStringView ViewPartOfChunk(QStringView chunk, int maxLength) {
    if (maxLength < 0)
        maxLength = 0;
    return chunk.size() > maxLength ? chunk.right(maxLength) : chunk;
}

} // namespace viewlogic
