// The rules compiled for matching. Regular expressions go to a matcher that works in time linear in the
// line's length whatever the expression, so that no expression can hold the window or the terminal on a
// long line; plain text is found as it is.
#pragma once

#include "highlight/Rules.h"

#include <QStringView>

#include <memory>
#include <optional>
#include <vector>

namespace highlight {

// A coloured stretch of a line: non-overlapping, in order; a colour not set is the view's own.
struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    std::optional<Rgb> foreground;
    std::optional<Rgb> background;
    bool operator==(const Span&) const = default;
};

// Why a rule takes no part.
enum class Problem {
    None,
    EmptyPattern,
    NoColour,
    TooLong,         // an expression longer than kMaxPatternLength
    BadExpression,   // it does not compile: ProblemDetail says why
    MatchesEmpty,    // it matches empty text, so it would colour every line
};

constexpr qsizetype kMaxPatternLength = 1000;

class Highlighter {
public:
    explicit Highlighter(std::vector<Rule> rules = {});
    ~Highlighter();
    Highlighter(const Highlighter&) = delete;
    Highlighter& operator=(const Highlighter&) = delete;

    const std::vector<Rule>& Rules() const { return m_rules; }
    // Why the rule at `index` takes no part; None when it works or is switched off. For a bad
    // expression the detail is the matcher's own account.
    highlight::Problem ProblemOf(size_t index) const;
    QString ProblemDetail(size_t index) const;
    // True when no rule takes part: nothing is ever coloured.
    bool IsEmpty() const;

    // The colours of one line, without its line end.
    std::vector<Span> Apply(QStringView line) const;

private:
    struct Compiled;
    std::vector<Rule> m_rules;
    std::vector<std::unique_ptr<Compiled>> m_compiled; // per rule; null when it takes no part
    std::vector<highlight::Problem> m_problems;
    std::vector<QString> m_details;
    bool m_anyRegex = false;
    bool m_anyFolded = false; // a plain-text rule without regard to case
};

} // namespace highlight
