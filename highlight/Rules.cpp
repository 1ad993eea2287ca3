#include "highlight/Rules.h"

namespace highlight {

namespace {

constexpr Rgb kRed = 0xD01818;
constexpr Rgb kAmber = 0xC07800;

Rule TextRule(const QString& name, const QString& pattern, Rgb colour) {
    Rule rule;
    rule.name = name;
    rule.pattern = pattern;
    rule.foreground = colour;
    return rule;
}

} // namespace

std::vector<Rule> DefaultRules(const DefaultNames& names) {
    return {TextRule(names.warnings, QStringLiteral("warn"), kAmber), TextRule(names.errors, QStringLiteral("error"), kRed),
            TextRule(names.failures, QStringLiteral("fail"), kRed), TextRule(names.alarms, QStringLiteral("alarm"), kRed)};
}

std::optional<Rgb> ParseColour(const QString& text) {
    const QString t = text.trimmed();
    if (t.size() != 7 || t[0] != u'#')
        return std::nullopt;
    bool ok = false;
    const uint value = t.mid(1).toUInt(&ok, 16);
    return ok ? std::optional<Rgb>(value) : std::nullopt;
}

QString ColourText(Rgb colour) {
    return QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

} // namespace highlight
