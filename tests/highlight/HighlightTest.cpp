// The highlight rules: what a rule colours, which rule wins, what a bad expression or a damaged file
// does, and the rules file as a person would edit it.
#include "highlight/Highlighter.h"
#include "highlight/RulesFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace highlight;

namespace {

Rule MakeRule(const QString& pattern, std::optional<Rgb> fg, std::optional<Rgb> bg = std::nullopt,
              Scope scope = Scope::Line, bool regex = false, bool matchCase = false) {
    Rule rule;
    rule.pattern = pattern;
    rule.foreground = fg;
    rule.background = bg;
    rule.scope = scope;
    rule.regularExpression = regex;
    rule.matchCase = matchCase;
    return rule;
}

std::string Show(const std::vector<Span>& spans) {
    std::string out;
    for (const Span& s : spans) {
        out += "[" + std::to_string(s.start) + "+" + std::to_string(s.length);
        if (s.foreground)
            out += " fg" + ColourText(*s.foreground).toStdString();
        if (s.background)
            out += " bg" + ColourText(*s.background).toStdString();
        out += "]";
    }
    return out;
}

} // namespace

TEST(Highlight, OrderOverlapScopeAndCase) {
    const Highlighter h({MakeRule("warn", 0xAA0000),                                          // 0: whole line
                         MakeRule("Disk", 0x0000BB, 0xEEEEEE, Scope::Match, false, true),     // 1: match, case
                         MakeRule("d[0-9]+", std::nullopt, 0x00CC00, Scope::Match, true)});   // 2: background only
    // "Warning" in any case colours the line; "Disk" with its case only its match, text and background;
    // the later rule's background wins over the earlier's where they overlap, the text colour stays.
    EXPECT_EQ(Show(h.Apply(u"WARNING Disk d12 full")),
              "[0+8 fg#aa0000][8+4 fg#0000bb bg#eeeeee][12+1 fg#aa0000][13+3 fg#aa0000 bg#00cc00][16+5 fg#aa0000]");
    EXPECT_EQ(Show(h.Apply(u"disk d7")), "[5+2 bg#00cc00]") << "\"disk\" is not \"Disk\" when the case matters";
    EXPECT_TRUE(h.Apply(u"all quiet").empty());
    EXPECT_TRUE(h.Apply(u"").empty());

    // The defaults: errors, failures and alarms in red, warnings in amber; an error beats a warning.
    const Highlighter defaults(DefaultRules());
    EXPECT_FALSE(defaults.IsEmpty());
    const auto colourOf = [&](const char16_t* line) {
        const std::vector<Span> spans = defaults.Apply(line);
        return spans.size() == 1 && spans[0].start == 0 && spans[0].foreground ? *spans[0].foreground : 0u;
    };
    EXPECT_EQ(colourOf(u"Tank1: ALARM high level"), 0xD01818u);
    EXPECT_EQ(colourOf(u"Connection failed"), 0xD01818u);
    EXPECT_EQ(colourOf(u"warning: low"), 0xC07800u);
    EXPECT_EQ(colourOf(u"warning: error in reply"), 0xD01818u);
}

TEST(Highlight, BadExpressionsTakeNoPartAndNoneHoldsALongLine) {
    const Highlighter h({MakeRule("(unclosed", 1, std::nullopt, Scope::Line, true),
                         MakeRule("x*", 1, std::nullopt, Scope::Line, true),
                         MakeRule(QString(), 1),
                         MakeRule("colourless", std::nullopt),
                         MakeRule("(a+)+$", 0x123456, std::nullopt, Scope::Match, true),
                         MakeRule("\\x{1F600}+", 0x654321, std::nullopt, Scope::Match, true)});
    EXPECT_EQ(h.ProblemOf(0), Problem::BadExpression);
    EXPECT_FALSE(h.ProblemDetail(0).isEmpty());
    EXPECT_EQ(h.ProblemOf(1), Problem::MatchesEmpty);
    EXPECT_EQ(h.ProblemOf(2), Problem::EmptyPattern);
    EXPECT_EQ(h.ProblemOf(3), Problem::NoColour);
    EXPECT_EQ(h.ProblemOf(4), Problem::None);

    // The expression that backtracks for ever elsewhere, on a line of a million characters: an answer.
    const QString longLine = QString(1000000, u'a') + u'b';
    EXPECT_TRUE(h.Apply(longLine).empty());
    const QString ending = QString(999999, u'x') + QStringLiteral("aaa");
    EXPECT_EQ(Show(h.Apply(ending)), "[999999+3 fg#123456]");
    // Matches are told in UTF-16 positions, after characters of every plane.
    EXPECT_EQ(Show(h.Apply(QStringLiteral("\u00e9\U0001F600\U0001F600 aa"))), "[1+4 fg#654321][6+2 fg#123456]");
}

TEST(HighlightFile, RoundTripDefaultsAndADamagedFile) {
    QTemporaryDir dir;
    const QString path = RulesFilePath(dir.path() + u'/');
    // No file: the defaults are in effect.
    EXPECT_FALSE(RulesInEffect(path).found);
    EXPECT_EQ(RulesInEffect(path).rules, DefaultRules());

    std::vector<Rule> rules{MakeRule("Pump=off; stop # now", 0x112233, 0x445566, Scope::Match, true, true),
                            MakeRule("  spaced  ", std::nullopt, 0x010203)};
    rules[0].name = "Pumps";
    rules[1].enabled = false;
    ASSERT_TRUE(WriteRulesFile(path, rules).isEmpty());
    const LoadedRules back = ReadRulesFile(path);
    EXPECT_TRUE(back.found);
    EXPECT_TRUE(back.problems.empty());
    EXPECT_EQ(back.rules, rules) << "a pattern keeps every character, blanks at its ends included";

    // Edited by hand: what can be read is kept, the rest is told line by line.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Version=9\r\n[Rule]\r\nPattern=good\r\nText=#00ff00\r\nColour=sideways\r\nMatchCase=perhaps\r\n"
               "[rule]\nPattern=odd kind\nKind=glob\n[Rule]\nText=#ff0000\n[Rule]\nPattern=no colour\n"
               "Text=red\nnonsense\nUnknownKey=1\n");
    file.close();
    const LoadedRules damaged = ReadRulesFile(path);
    ASSERT_EQ(damaged.rules.size(), 2u);
    EXPECT_EQ(damaged.rules[0].pattern, "good");
    EXPECT_EQ(damaged.rules[0].foreground, 0x00FF00u);
    EXPECT_EQ(damaged.rules[0].scope, Scope::Line);
    EXPECT_EQ(damaged.rules[1].pattern, "no colour");
    EXPECT_FALSE(damaged.rules[1].foreground.has_value());
    std::vector<std::pair<int, FileProblem::Kind>> told;
    for (const FileProblem& p : damaged.problems)
        told.emplace_back(p.line, p.kind);
    EXPECT_EQ(told, (std::vector<std::pair<int, FileProblem::Kind>>{{1, FileProblem::LaterVersion},
                                                                     {5, FileProblem::BadScope},
                                                                     {6, FileProblem::BadYesNo},
                                                                     {9, FileProblem::BadKind},
                                                                     {10, FileProblem::NoPattern},
                                                                     {14, FileProblem::BadColour},
                                                                     {15, FileProblem::NotKeyValue}}));
    // A rule that colours nothing takes no part, and says so.
    EXPECT_EQ(Highlighter(damaged.rules).ProblemOf(1), Problem::NoColour);
}
