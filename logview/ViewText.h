// The log text as the program reports and saves it: CR LF per line break and CR CR LF where a line wraps
// at the window's edge (the display lines of the text's layout).
#pragma once

#include <QString>

class QTextDocument;

QString ReportedText(const QTextDocument& text);

// The text in that form as UTF-16LE to `path`; true when written completely, else `error` says why.
bool SaveReportedText(const QTextDocument& text, const QString& path, QString* error = nullptr);
