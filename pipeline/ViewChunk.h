// What the log view is given of each received chunk: the text in the view's stored form, where a chunk
// longer than the view's limit is shown by its end behind one marker line.
#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace pipeline {

// The chunk as the view stores it: every line break (CR LF, a lone CR, a lone LF, U+2029) becomes one
// '\n', the rest unchanged. `pendingCr` carries a CR that ended the previous chunk across chunks, so a
// CR LF split between two chunks still makes a single line break; it is updated for the next chunk.
QString DisplayForm(QStringView chunk, bool* pendingCr = nullptr);

// The chunk that the view may show: its last `maxLength` characters (all of it when shorter), one fewer
// when the cut would fall between the two halves of a surrogate pair.
QStringView ViewPartOfChunk(QStringView chunk, int maxLength);

// What the view appends for a chunk, in its stored form (DisplayForm). A chunk of at most `maxLength`
// characters is shown whole. Of a longer one the view shows one marker line saying how many characters
// it leaves out (`marker` formats the count), then the end of the chunk from the start of a line, as much
// as fits behind the marker in `maxLength`; the log files still receive the whole chunk.
struct ViewChunk {
    QString text;    // in the view's stored form
    int leftOut = 0; // characters of the received chunk not shown (0 when it is shown whole)
};
ViewChunk ChunkForView(QStringView chunk, int maxLength, bool* pendingCr, const std::function<QString(int)>& marker);

} // namespace pipeline
