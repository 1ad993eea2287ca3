// The connection options: section "Options" of the settings file beside the executable, then the
// command line, whose switches override what the file gave. Both are read before any link is opened.
#pragma once

#include "state/ConnectionOptions.h"

#include <QString>
#include <QStringList>

// Reads "dsip", "dsport", "wtg", "proxyip", "proxyp", "SlowConnection" and "Timeout" of section
// "Options" of `exeIniPath`; a missing file or key keeps the current value (SlowConnection: off).
void ReadConnectionOptions(ConnectionOptions& options, const QString& exeIniPath);

// Parses a command-line text (arguments only): only the blank separates tokens, a double quote toggles
// quoting and is dropped wherever it stands; a token that starts with a switch (without regard to case)
// sets its option, anything else is ignored.
void ApplyCommandLine(ConnectionOptions& options, const QString& text);

// The program's arguments (without the program name), each one token that reads as its own text would
// as a command line: its double quotes are dropped, its blanks kept.
void ApplyArguments(ConnectionOptions& options, const QStringList& arguments);
