// The view's text as it is saved ("log.txt" and Save As): UTF-16 little-endian code units, no byte-order
// mark, no length prefix, no terminating zero. Each line break is CR LF; each point where the view wraps
// a long line (a soft line break) is CR CR LF, so a reader can tell the two apart.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace viewlogic {

// The text in its reported form from the view's lines: each inner list holds the display lines of one
// line of text (one entry when it does not wrap). Display lines are joined by CR CR LF, lines by CR LF.
QString ReportedText(const QList<QStringList>& lines);

// UTF-16LE bytes of `text`.
QByteArray Utf16LeBytes(QStringView text);

// Creates or empties `path` and writes `text` as UTF-16LE through a 4096-byte buffer. False when the file
// could not be opened or any write failed (a partial file may then remain); `error` then receives the
// system's error text.
bool WriteUtf16LeFile(const QString& path, QStringView text, QString* error = nullptr);

} // namespace viewlogic
