// Highlight rules: which lines, or which parts of them, stand out in colour in the live view, the history
// and on a terminal. A rule is a pattern (plain text or a regular expression, with or without regard to
// case) with a text colour and/or a background colour, for the whole line or only what matched. Rules
// are tried in order; where two overlap the later one wins, colour by colour. Colours never change the
// text: what is saved, copied, printed or written to the log files stays plain.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace highlight {

using Rgb = uint32_t; // 0xRRGGBB

enum class Scope {
    Line,  // the whole line that matches
    Match, // only what matched
};

struct Rule {
    QString name;
    QString pattern;
    bool regularExpression = false;
    bool matchCase = false;
    std::optional<Rgb> foreground;
    std::optional<Rgb> background;
    Scope scope = Scope::Line;
    bool enabled = true;

    bool operator==(const Rule&) const = default;
};

// The names the default rules carry (in the user's language where a caller has one).
struct DefaultNames {
    QString warnings = QStringLiteral("Warnings");
    QString errors = QStringLiteral("Errors");
    QString failures = QStringLiteral("Failures");
    QString alarms = QStringLiteral("Alarms");
};

// What users expect on a first start: errors, failures and alarms in red, warnings in amber, any case.
std::vector<Rule> DefaultRules(const DefaultNames& names = {});

// "#rrggbb" and back; std::nullopt for anything else.
std::optional<Rgb> ParseColour(const QString& text);
QString ColourText(Rgb colour);

} // namespace highlight
