#include "service/TagTable.h"

#include "service/ProjectTextFile.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace logd {

namespace {

const QStringList kTypes = {QStringLiteral("Integer"), QStringLiteral("Real"), QStringLiteral("Boolean"),
                            QStringLiteral("String")};

double arg(const Tag& t, int i, double def = 0) {
    if (i >= t.args.size())
        return def;
    bool ok = false;
    const double v = t.args[i].toDouble(&ok);
    return ok ? v : def;
}

QString format(const Tag& t, double v) {
    if (t.type == QLatin1String("Integer"))
        return QString::number(static_cast<long long>(std::llround(v)));
    if (t.type == QLatin1String("Boolean"))
        return v != 0 ? QStringLiteral("1") : QStringLiteral("0");
    if (t.type == QLatin1String("Real"))
        return QString::number(v, 'f', 2);
    return QString::number(v);
}

int requiredArgs(const QString& kind) {
    if (kind == QLatin1String("sine") || kind == QLatin1String("ramp") || kind == QLatin1String("walk"))
        return 3;
    if (kind == QLatin1String("random"))
        return 2;
    if (kind == QLatin1String("cycle"))
        return 1;
    return 0;
}

// Computes the value for the tag's current step.
QString valueAt(Tag& t) {
    const QString& k = t.kind;
    if (k == QLatin1String("const"))
        return t.args.join(QLatin1Char(' '));
    if (k == QLatin1String("cycle"))
        return t.args[static_cast<int>(t.step % t.args.size())];
    if (k == QLatin1String("sine")) {
        const double lo = arg(t, 0), hi = arg(t, 1), period = std::max(1.0, arg(t, 2, 1));
        return format(t, lo + (hi - lo) * (0.5 + 0.5 * std::sin(2 * std::numbers::pi * double(t.step) / period)));
    }
    if (k == QLatin1String("ramp")) {
        if (t.step == 0)
            t.number = arg(t, 0);
        return format(t, t.number);
    }
    if (k == QLatin1String("random")) {
        const double lo = arg(t, 0), hi = arg(t, 1);
        t.number = t.step == 0 ? (lo + hi) / 2 : lo + (hi - lo) * QRandomGenerator::global()->generateDouble();
        return format(t, t.number);
    }
    if (k == QLatin1String("walk")) {
        if (t.step == 0)
            t.number = (arg(t, 0) + arg(t, 1)) / 2;
        return format(t, t.number);
    }
    if (k == QLatin1String("toggle")) {
        const int64_t every = std::max<int64_t>(1, static_cast<int64_t>(arg(t, 0, 1)));
        return (t.step / every) % 2 ? QStringLiteral("1") : QStringLiteral("0");
    }
    if (k == QLatin1String("counter"))
        return format(t, double(t.step) * arg(t, 0, 1));
    return QString();
}

void advance(Tag& t) {
    ++t.step;
    if (t.kind == QLatin1String("ramp")) {
        t.number += arg(t, 2, 1);
        if (t.number > arg(t, 1))
            t.number = arg(t, 0);
    } else if (t.kind == QLatin1String("walk")) {
        const double lo = arg(t, 0), hi = arg(t, 1), inc = arg(t, 2, 1);
        t.number += (QRandomGenerator::global()->generateDouble() * 2 - 1) * inc;
        t.number = std::clamp(t.number, std::min(lo, hi), std::max(lo, hi));
    }
}

} // namespace

bool TagTable::parseLine(const QString& line, Tag* tag, QString* reason) {
    const QStringList fields = line.split(QLatin1Char('|'));
    if (fields.size() < 3) {
        *reason = QStringLiteral("not \"name | type | behaviour | description\"");
        return false;
    }
    tag->name = fields[0].trimmed();
    if (tag->name.isEmpty()) {
        *reason = QStringLiteral("empty tag name");
        return false;
    }
    const QString type = fields[1].trimmed();
    const auto t = std::find_if(kTypes.begin(), kTypes.end(),
                                [&](const QString& k) { return k.compare(type, Qt::CaseInsensitive) == 0; });
    if (t == kTypes.end()) {
        *reason = QStringLiteral("unknown type \"%1\"").arg(type);
        return false;
    }
    tag->type = *t;
    tag->behaviour = fields[2].simplified();
    QStringList words = tag->behaviour.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    tag->kind = words.isEmpty() ? QStringLiteral("const") : words.takeFirst().toLower();
    tag->args = words;
    static const QStringList kinds = {QStringLiteral("const"),  QStringLiteral("sine"),   QStringLiteral("ramp"),
                                      QStringLiteral("random"), QStringLiteral("walk"),   QStringLiteral("toggle"),
                                      QStringLiteral("cycle"),  QStringLiteral("counter")};
    if (!kinds.contains(tag->kind)) {
        *reason = QStringLiteral("unknown behaviour \"%1\"").arg(tag->kind);
        return false;
    }
    if (tag->args.size() < requiredArgs(tag->kind)) {
        *reason = QStringLiteral("behaviour \"%1\" needs %2 values").arg(tag->kind).arg(requiredArgs(tag->kind));
        return false;
    }
    tag->description = fields.mid(3).join(QLatin1Char('|')).trimmed();
    tag->step = 0;
    tag->value = valueAt(*tag);
    return true;
}

bool TagTable::load(const QString& path, QStringList* warnings) {
    m_tags.clear();
    return ReadProjectLines(path, warnings, [this](const QString& line) {
        Tag tag;
        QString reason;
        if (!parseLine(line.trimmed(), &tag, &reason))
            return reason;
        if (find(tag.name))
            return QStringLiteral("tag named twice");
        tag.id = static_cast<int>(m_tags.size()) + 1;
        m_tags.append(tag);
        return QString();
    });
}

const Tag* TagTable::find(const QString& name) const {
    for (const Tag& t : m_tags) {
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const Tag* TagTable::byId(int id) const {
    return id >= 1 && id <= m_tags.size() ? &m_tags[id - 1] : nullptr;
}

QList<int> TagTable::step() {
    QList<int> changed;
    for (Tag& t : m_tags) {
        advance(t);
        const QString v = valueAt(t);
        if (v != t.value) {
            t.value = v;
            changed.append(t.id);
        }
    }
    return changed;
}

} // namespace logd
