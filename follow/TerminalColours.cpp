#include "follow/TerminalColours.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace follow {

namespace {

// The nearest colour of the 6x6x6 cube of a 256-colour terminal.
int Cube(highlight::Rgb rgb) {
    const auto level = [](int c) { return c < 48 ? 0 : c < 115 ? 1 : (c - 35) / 40; };
    return 16 + 36 * level((rgb >> 16) & 0xFF) + 6 * level((rgb >> 8) & 0xFF) + level(rgb & 0xFF);
}

QString Sgr(const highlight::Span& span, bool trueColour) {
    QStringList parts;
    const auto colour = [&](int base, highlight::Rgb rgb) {
        if (trueColour)
            parts << QStringLiteral("%1;2;%2;%3;%4").arg(base).arg((rgb >> 16) & 0xFF).arg((rgb >> 8) & 0xFF).arg(rgb & 0xFF);
        else
            parts << QStringLiteral("%1;5;%2").arg(base).arg(Cube(rgb));
    };
    if (span.foreground)
        colour(38, *span.foreground);
    if (span.background)
        colour(48, *span.background);
    return QStringLiteral("\x1b[") + parts.join(u';') + u'm';
}

} // namespace

bool UseColour(ColourMode mode, int fd) {
    switch (mode) {
    case ColourMode::Always:
        return true;
    case ColourMode::Never:
        return false;
    case ColourMode::Auto:
        break;
    }
    const char* noColour = std::getenv("NO_COLOR");
    if (noColour && *noColour)
        return false;
    const char* term = std::getenv("TERM");
    return ::isatty(fd) == 1 && !(term && std::strcmp(term, "dumb") == 0);
}

bool TrueColourTerminal() {
    const char* depth = std::getenv("COLORTERM");
    return depth && (std::strcmp(depth, "truecolor") == 0 || std::strcmp(depth, "24bit") == 0);
}

QString Colourise(const QString& text, const highlight::Highlighter& rules, bool trueColour) {
    if (rules.IsEmpty())
        return text;
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        const QStringView line = QStringView(text).mid(start, end - start);
        qsizetype at = 0;
        for (const highlight::Span& span : rules.Apply(line)) {
            out += line.mid(at, span.start - at);
            out += Sgr(span, trueColour);
            out += line.mid(span.start, span.length);
            out += QStringLiteral("\x1b[0m");
            at = span.start + span.length;
        }
        out += line.mid(at);
        out += QStringView(text).mid(end, next - end); // the line end, if any
        start = next;
    }
    return out;
}

} // namespace follow
