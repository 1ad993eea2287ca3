// The rules file: plain text a person can read and edit, one section per rule in the order they are
// tried, and a version line so that a later program can read an earlier file. The same form serves for
// the per-user file (Highlight.ini in the per-user settings folder) and for export and import.
//
//   # Kestra highlight rules
//   Version=1
//   [Rule]
//   Name=Errors
//   Pattern=error
//   Kind=text            (or: regex)
//   MatchCase=no
//   Text=#d01818         (empty: the view's own colour)
//   Background=
//   Colour=line          (or: match)
//   Enabled=yes
//
// A value runs from after the first "=" to the end of its line, as it is (a pattern may hold any
// character but a line end). Keys a program does not know are passed over.
#pragma once

#include "highlight/Rules.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace highlight {

constexpr int kRulesFileVersion = 1;

// Something of the file that could not be read as it stands.
struct FileProblem {
    enum Kind {
        TooLong,       // the whole file: longer than a rules file can be; not read
        LaterVersion,  // written by a later program: read as far as it goes
        NotKeyValue,   // a line that is neither a section, a comment nor key=value: passed over
        NoPattern,     // a rule without a pattern: passed over
        BadKind,       // Kind neither text nor regex: the rule is passed over
        BadYesNo,      // MatchCase or Enabled neither yes nor no: kept as it was
        BadColour,     // not a colour like #d01818: that colour is left out
        BadScope,      // Colour neither line nor match: the whole line is coloured
    };
    int line = 0;  // 0: the whole file
    Kind kind;
    QString value; // the value as written
};

struct LoadedRules {
    bool found = false;      // the file exists and could be read
    std::vector<Rule> rules; // the rules it holds that could be read
    std::vector<FileProblem> problems;
};

// Reads a rules file. A file that is missing gives found = false and no rules; a damaged one gives the
// rules that could be read and says what was passed over.
LoadedRules ReadRulesFile(const QString& path);
// The rules in effect: those of the file, or the defaults when there is no file.
LoadedRules RulesInEffect(const QString& path, const DefaultNames& names = {});
// Writes the rules (replacing the file as a whole, never leaving half of one). Empty when written,
// else the system's reason.
QString WriteRulesFile(const QString& path, const std::vector<Rule>& rules);

// The per-user rules file in a settings folder that ends in '/'.
QString RulesFilePath(const QString& settingsFolder);

} // namespace highlight
