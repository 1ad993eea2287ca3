// What colouring costs per line, and why regular expressions go to a linear-time matcher: the rules'
// matching over a stream of station lines (the default rules, then rules with expressions), beside the
// same expressions in QRegularExpression, and both on a line built to make a backtracking matcher
// slow.   bench_highlight [LINES]   (default 200000)
#include "highlight/Highlighter.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

using namespace highlight;

namespace {

QStringList StationLines(int count) {
    static const char* const kinds[] = {"Field Read", "Field Write", "Trace", "TCP-IP", "Display"};
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("2026-12-09 16:50:15.%1 %2: Tank%3.Level = %4%5")
                     .arg(i % 1000, 3, 10, QChar(u'0'))
                     .arg(QLatin1String(kinds[i % 5]))
                     .arg(i % 17)
                     .arg(i * 0.37, 0, 'f', 2)
                     .arg(i % 97 == 0 ? QStringLiteral(" warning: slow reply") : i % 211 == 0 ? QStringLiteral(" error 5") : QString());
    return lines;
}

double NsPerLine(const QStringList& lines, const std::function<size_t(const QString&)>& colour) {
    QElapsedTimer timer;
    timer.start();
    size_t spans = 0;
    for (const QString& line : lines)
        spans += colour(line);
    const double ns = double(timer.nsecsElapsed()) / lines.size();
    std::printf("    (%zu coloured spans)\n", spans);
    return ns;
}

Rule Expression(const char* pattern, Scope scope) {
    Rule rule;
    rule.pattern = QString::fromLatin1(pattern);
    rule.regularExpression = true;
    rule.foreground = 0xD01818;
    rule.scope = scope;
    return rule;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
    const QStringList lines = StationLines(count);

    const Highlighter defaults(DefaultRules());
    std::printf("default rules (plain text, any case):       %.0f ns per line\n",
                NsPerLine(lines, [&](const QString& l) { return defaults.Apply(l).size(); }));

    const char* patterns[] = {"Tank1[0-9]\\.Level", "(warn|error|fail)", "= [0-9]+\\.[0-9]{2}$"};
    std::vector<Rule> rules;
    std::vector<QRegularExpression> qt;
    for (const char* p : patterns) {
        rules.push_back(Expression(p, Scope::Match));
        qt.emplace_back(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption);
        qt.back().optimize();
    }
    const Highlighter expressions(rules);
    std::printf("three expressions, matches coloured:        %.0f ns per line\n",
                NsPerLine(lines, [&](const QString& l) { return expressions.Apply(l).size(); }));
    std::printf("the same in QRegularExpression (match only): %.0f ns per line\n",
                NsPerLine(lines, [&](const QString& l) {
                    size_t n = 0;
                    for (const QRegularExpression& e : qt)
                        for (auto it = e.globalMatch(l); it.hasNext(); it.next())
                            ++n;
                    return n;
                }));

    // (a+)+$ on "aaa...ab": exponential for a backtracking matcher, linear here.
    for (const int length : {20, 24, 28, 1000000}) {
        const QString hostile = QString(length, u'a') + u'b';
        const Highlighter linear({Expression("(a+)+$", Scope::Match)});
        QElapsedTimer t;
        t.start();
        linear.Apply(hostile);
        const double ours = t.nsecsElapsed() / 1e6;
        double theirs = -1;
        if (length <= 28) {
            QRegularExpression backtracking(QStringLiteral("(a+)+$"));
            t.restart();
            (void)backtracking.match(hostile).hasMatch();
            theirs = t.nsecsElapsed() / 1e6;
        }
        std::printf("(a+)+$ on %7d a's and a b: %8.2f ms here, %s\n", length, ours,
                    theirs < 0 ? "QRegularExpression not tried" : qPrintable(QStringLiteral("%1 ms in QRegularExpression").arg(theirs, 0, 'f', 2)));
    }
    return 0;
}
