// What `kestra --help` and `kestra --version` print. Both are answered before anything else happens:
// no settings are read or written, no window is made, the title registry and the network are left alone.
#pragma once

#include <QString>
#include <QStringList>

enum class InfoRequest { None, Help, Version };

// --help, -h or /? asks for the usage; --version or -v for the version (anywhere among the arguments,
// the first one found wins). Any other switch is the command line's, which ignores what it does not know.
InfoRequest InfoRequestOf(const QStringList& arguments);

// The usage: every switch of the command line, what it does, examples, and where the settings live
// for the program at `exePath` (computed, not created).
QString UsageText(const QString& exePath);
QString VersionText();
