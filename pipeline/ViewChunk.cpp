#include "pipeline/ViewChunk.h"

#include <algorithm>

namespace pipeline {

namespace {

bool IsLineBreak(QChar c) { return c == u'\r' || c == u'\n' || c == QChar::ParagraphSeparator; }

// True when a cut before `position` would separate the two halves of a surrogate pair.
bool SplitsPair(QChar before, QChar at) { return before.isHighSurrogate() && at.isLowSurrogate(); }

} // namespace

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
    if (chunk.size() <= maxLength)
        return chunk;
    qsizetype from = chunk.size() - maxLength;
    if (from > 0 && SplitsPair(chunk[from - 1], chunk[from]))
        ++from;
    return chunk.mid(from);
}

ViewChunk ChunkForView(QStringView chunk, int maxLength, bool* pendingCr, const std::function<QString(int)>& marker) {
    if (chunk.size() <= maxLength)
        return ViewChunk{DisplayForm(chunk, pendingCr), 0};
    // The marker's length depends on the count it shows: settle both in a few rounds.
    qsizetype from = 0;
    QString line;
    for (int round = 0; round < 3; ++round) {
        line = marker(static_cast<int>(from)) + u'\n';
        const qsizetype room = std::max<qsizetype>(0, maxLength - line.size());
        from = chunk.size() - std::min(room, chunk.size());
        if (from > 0 && SplitsPair(chunk[from - 1], chunk[from]))
            ++from;
        // Shown from the start of a line, unless the last line alone is longer than the room.
        if (from > 0 && !IsLineBreak(chunk[from - 1])) {
            qsizetype next = from;
            while (next < chunk.size() && !IsLineBreak(chunk[next]))
                ++next;
            if (next + 1 < chunk.size())
                from = (chunk[next] == u'\r' && chunk[next + 1] == u'\n') ? next + 2 : next + 1;
        }
    }
    line = marker(static_cast<int>(from)) + u'\n';
    if (pendingCr)
        *pendingCr = false; // the line break the view would join across chunks is among the left-out text
    ViewChunk result{line + DisplayForm(chunk.mid(from), pendingCr), static_cast<int>(from)};
    if (result.text.size() > maxLength) // a view too small even for the marker: its limit wins
        result.text = ViewPartOfChunk(result.text, maxLength).toString();
    return result;
}

} // namespace pipeline
