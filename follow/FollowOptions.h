// The terminal follower's command line: the station switches that kestra takes (handed on unchanged to
// the viewer's own parser) and the follower's options, which start with a dash.
#pragma once

#include "link/LogCategories.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace follow {

// What a script can test.
enum ExitCode : int {
    kExitOk = 0,             // ended by Ctrl+C, SIGTERM or SIGHUP, or because its output closed
    kExitFailure = 1,        // the program itself could not run (no thread)
    kExitUsage = 2,          // bad command line
    kExitUnreachable = 3,    // the first connection was refused or the station could not be reached
    kExitLogonRefused = 4,   // the station refused the logon
    kExitUntrusted = 5,      // the station's key is not trusted, changed, or it answered in clear where TLS is known
};

// One category to switch at the station: 1 on, 0 off.
struct CategoryRequest {
    LogCategoryId id;
    int32_t value;
};

// When the text is coloured by the highlight rules.
enum class ColourMode {
    Auto,   // only on a terminal, and not when NO_COLOR is set
    Always,
    Never,
};

struct FollowOptions {
    bool help = false;
    bool version = false;
    QList<CategoryRequest> categories; // one per category, the last mention deciding its value
    QStringList tags;                  // to subscribe, each once
    int logOnDiskType = 0;             // 0 none, 1 the day's file, 2 logFile (the log-on-disk types)
    QString logFile;
    QString trust;                     // --trust: the fingerprint the station must present (canonical form)
    QStringList stationArguments;      // everything that is not an option, for the viewer's parser
    ColourMode colour = ColourMode::Auto;
};

struct ParsedArguments {
    FollowOptions options;
    QString error; // not empty: bad usage, and this says why
};

// Parses the arguments (without the program name). --help and --version end the parsing where they stand.
ParsedArguments ParseFollowArguments(const QStringList& arguments);

// The text of --help, with every category's short name.
QString HelpText();

} // namespace follow
