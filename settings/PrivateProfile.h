// Private-profile settings files ("INI" files with the semantics the program relies on).
//
//  - A line "[name]" opens a section; "key=value" lines follow. Section and key names are compared
//    without regard to case; the first matching section and the first matching key win.
//  - One key is read or written per call; a write rewrites only that key's line (or adds it) and keeps
//    every other byte of the file as it was.
//  - Values are trimmed of surrounding blanks and of one pair of surrounding double or single quotes.
//  - A missing file, section or key gives the default. Files are written as UTF-8; UTF-8 and UTF-16LE
//    with a byte-order mark are read. CR LF and a last line without a line break read correctly.
#pragma once

#include <QString>

#include <cstdint>

namespace profile {

// Reads a string; `capacity` counts characters including the terminator, so at most capacity - 1 are
// returned (capacity <= 0 returns an empty string).
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& def, int capacity,
                                const QString& file);

// Reads an integer by the leading-decimal rule (leading blanks, an optional sign, digits up to the first
// other character). A missing key gives `def`; a present value without digits gives 0.
int32_t GetPrivateProfileInt(const QString& section, const QString& key, int32_t def, const QString& file);

// Writes one key. Creates the file (never its folder) when missing. Returns false, and leaves no file
// anywhere else, when the file cannot be written, when an existing file cannot be read (or is not a
// regular file), or when a name or the value cannot be stored on one line: an empty name, a line break
// anywhere, ']' in the section, '=' in the key, or a key beginning with '[' or ';'. Names are trimmed.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& file);

} // namespace profile
