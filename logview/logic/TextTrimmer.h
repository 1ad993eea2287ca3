// The rules that keep the log view within the maximum text length, written over an abstract view so they
// run without a widget.
//
// The view's text is addressed by character positions; each line break of the view is one character
// ('\n'). A "display line" is a line as the view shows it after word wrap: one line of text may make
// several display lines. The caller supplies, for a position, a key that is equal for two positions
// exactly when they lie on the same display line.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <functional>

namespace viewlogic {

// A view of this length or more loses its first kBulkCutLength characters (even inside a line) before the
// line-based trim runs, so the trim never scans a long text.
constexpr int kBulkCutThreshold = 14000;
constexpr int kBulkCutLength = 5000;

using DisplayLineKey = std::function<int64_t(int position)>;
// The view's character at a position (a line break as '\n'); the text is read where needed, not copied.
using CharAt = std::function<QChar(int position)>;

// Number of characters to remove from the start of the view before a chunk of `chunkLength` characters
// is appended, so that at most `maxLength` characters remain afterwards. 0 when the chunk fits
// (length + chunkLength < maxLength). Otherwise the excess n = length + chunkLength - maxLength is cut,
// then the rest of the display line that holds position n, then the line breaks and empty lines that
// follow it, so the view again starts at the beginning of a line. Even when n is 0 the whole first display
// line goes.
int TrimPrefixLength(int length, const CharAt& charAt, int chunkLength, int maxLength, const DisplayLineKey& lineOf);
int TrimPrefixLength(QStringView text, int chunkLength, int maxLength, const DisplayLineKey& lineOf);

// Length of the bulk cut for a view of `length` characters: kBulkCutLength at kBulkCutThreshold or more
// (never more than the text), else 0. With the text at hand the cut moves one character on when it would
// fall between the two halves of a surrogate pair.
int BulkCutLength(int length);
int BulkCutLength(int length, const CharAt& charAt);

} // namespace viewlogic
