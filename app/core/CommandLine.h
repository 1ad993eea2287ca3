// The connection options: section "Options" of the settings file beside the executable, then the
// command line, whose switches override what the file gave. Both read into the shared state before the
// worker exists.
#pragma once

#include "link/KestraShared.h"

#include <QString>
#include <QStringList>

// Reads "dsip", "dsport", "wtg", "proxyip", "proxyp", "SlowConnection" and "Timeout" of section
// "Options" of `exeIniPath`; a missing file or key keeps the current value (SlowConnection: off).
void ReadConnectionOptions(CKestraExtShared& shared, const QString& exeIniPath);

// Parses the command-line text (arguments only): only the blank separates tokens, a double quote
// toggles quoting and is dropped wherever it stands; a token that starts with a switch (without regard
// to case) sets its option, anything else is ignored.
void ApplyCommandLine(CKestraExtShared& shared, const QString& text);

// The program's arguments (without the program name) joined into the command-line text, so that each
// argument is one token and reads as its own text would: its quotes are dropped, and a token that
// holds a blank is wrapped in double quotes.
QString CommandLineFromArguments(const QStringList& arguments);
