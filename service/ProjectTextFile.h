// Reading the line-based files of a project folder (tags.txt, users.txt).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The file's lines, UTF-8. A missing file has no lines; a file that exists but cannot be read gives
// std::nullopt and a warning.
std::optional<QStringList> ReadProjectLines(const QString& path, QStringList* warnings);

// Blank lines and lines starting with '#' carry no data.
bool IsProjectCommentLine(const QString& line);
