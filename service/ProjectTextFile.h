// Reading the line-based files of a project folder (tags.txt, users.txt).
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Hands every data line of the UTF-8 file at `path` to `take`, in order. Blank lines and lines starting
// with '#' carry no data. `take` returns an empty text when it took the line, else why it did not; that
// reason goes to `warnings` with the file and line number. A missing file has no lines; a file that
// exists but cannot be read gives false and a warning.
bool ReadProjectLines(const QString& path, QStringList* warnings, const std::function<QString(const QString&)>& take);

// Blank lines and lines starting with '#' carry no data.
bool IsProjectCommentLine(const QString& line);
