#include "highlight/RulesFile.h"

#include <QFile>
#include <QSaveFile>

namespace highlight {

namespace {

constexpr qint64 kMaxFileBytes = 1 << 20; // a hand-made rules file is never this long

std::optional<bool> YesNo(const QString& value) {
    const QString v = value.trimmed().toLower();
    if (v == u"yes" || v == u"1" || v == u"true" || v == u"on")
        return true;
    if (v == u"no" || v == u"0" || v == u"false" || v == u"off")
        return false;
    return std::nullopt;
}


// One [Rule] section as it is read: the rule, whether it is usable, the line it began on.
struct Section {
    Rule rule;
    bool hasPattern = false;
    bool broken = false;
    int firstLine = 0;
};

void Finish(Section& section, LoadedRules& out) {
    if (section.firstLine == 0)
        return;
    if (!section.hasPattern)
        out.problems.push_back({section.firstLine, FileProblem::NoPattern, QString()});
    else if (!section.broken)
        out.rules.push_back(section.rule);
    section = Section{};
}

} // namespace

QString RulesFilePath(const QString& settingsFolder) { return settingsFolder + QStringLiteral("Highlight.ini"); }

LoadedRules ReadRulesFile(const QString& path) {
    LoadedRules out;
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return out;
    out.found = true;
    if (file.size() > kMaxFileBytes) {
        out.problems.push_back({0, FileProblem::TooLong, QString::number(file.size())});
        return out;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    Section section;
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        const int number = n + 1;
        if (trimmed.isEmpty() || trimmed.startsWith(u'#') || trimmed.startsWith(u';'))
            continue;
        if (trimmed.compare(u"[Rule]", Qt::CaseInsensitive) == 0) {
            Finish(section, out);
            section.firstLine = number;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) {
            out.problems.push_back({number, FileProblem::NotKeyValue, trimmed});
            continue;
        }
        const QString key = line.left(equals).trimmed().toLower();
        const QString value = line.mid(equals + 1);
        if (section.firstLine == 0) {
            if (key == u"version" && value.trimmed().toInt() > kRulesFileVersion)
                out.problems.push_back({number, FileProblem::LaterVersion, value.trimmed()});
            continue;
        }
        Rule& rule = section.rule;
        if (key == u"name") {
            rule.name = value.trimmed();
        } else if (key == u"pattern") {
            rule.pattern = value;
            section.hasPattern = !value.isEmpty();
        } else if (key == u"kind") {
            const QString kind = value.trimmed().toLower();
            if (kind == u"text" || kind == u"regex") {
                rule.regularExpression = kind == u"regex";
            } else {
                out.problems.push_back({number, FileProblem::BadKind, value.trimmed()});
                section.broken = true;
            }
        } else if (key == u"matchcase" || key == u"enabled") {
            const std::optional<bool> flag = YesNo(value);
            if (!flag)
                out.problems.push_back({number, FileProblem::BadYesNo, value.trimmed()});
            else if (key == u"matchcase")
                rule.matchCase = *flag;
            else
                rule.enabled = *flag;
        } else if (key == u"text" || key == u"background") {
            std::optional<Rgb>& target = key == u"text" ? rule.foreground : rule.background;
            if (value.trimmed().isEmpty()) {
                target.reset();
            } else if (const std::optional<Rgb> colour = ParseColour(value)) {
                target = colour;
            } else {
                out.problems.push_back({number, FileProblem::BadColour, value.trimmed()});
                target.reset();
            }
        } else if (key == u"colour" || key == u"color") {
            const QString scope = value.trimmed().toLower();
            if (scope == u"line" || scope == u"match")
                rule.scope = scope == u"line" ? Scope::Line : Scope::Match;
            else
                out.problems.push_back({number, FileProblem::BadScope, value.trimmed()});
        }
    }
    Finish(section, out);
    return out;
}

LoadedRules RulesInEffect(const QString& path, const DefaultNames& names) {
    LoadedRules loaded = ReadRulesFile(path);
    if (!loaded.found)
        loaded.rules = DefaultRules(names);
    return loaded;
}

QString WriteRulesFile(const QString& path, const std::vector<Rule>& rules) {
    QString text = QStringLiteral("# Kestra highlight rules: tried in order, a later rule wins where two overlap.\n"
                                  "Version=%1\n")
                       .arg(kRulesFileVersion);
    const auto yesNo = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    for (const Rule& rule : rules) {
        text += QStringLiteral("\n[Rule]\nName=%1\nPattern=%2\nKind=%3\nMatchCase=%4\nText=%5\nBackground=%6\n"
                               "Colour=%7\nEnabled=%8\n")
                    .arg(QString(rule.name).remove(u'\n').remove(u'\r'), QString(rule.pattern).remove(u'\n').remove(u'\r'),
                         rule.regularExpression ? QStringLiteral("regex") : QStringLiteral("text"),
                         yesNo(rule.matchCase), rule.foreground ? ColourText(*rule.foreground) : QString(),
                         rule.background ? ColourText(*rule.background) : QString(),
                         rule.scope == Scope::Line ? QStringLiteral("line") : QStringLiteral("match"),
                         yesNo(rule.enabled));
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}

} // namespace highlight
