// The project methods: file paths, the configuration and profile stores, tag lookups.
#include "service/Dispatcher.h"

#include "settings/PrivateProfile.h"

#include <QJsonArray>
#include <QJsonObject>

namespace logd {

namespace {
constexpr int kMaxValue = 1 << 20;
// A default no file can hold (it has a line break), so that "absent" and "empty" stay apart.
const QString kAbsent = QStringLiteral("\n<absent>\n");

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool validSection(const QString& section) {
    return !section.trimmed().isEmpty() && !hasLineBreak(section) && !section.contains(QLatin1Char(']'));
}

bool validKey(const QString& key) {
    return !key.trimmed().isEmpty() && !hasLineBreak(key) && !key.contains(QLatin1Char('=')) &&
           !key.trimmed().startsWith(QLatin1Char('['));
}

Reply readStore(RpcParams& p, const QString& file) {
    const QString section = p.string(QStringLiteral("section"));
    const QString key = p.string(QStringLiteral("key"));
    if (!p.ok())
        return Reply();
    if (!validSection(section) || !validKey(key))
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: bad section or key"));
    const QString v = profile::GetPrivateProfileString(section, key, kAbsent, kMaxValue, file);
    return Reply::ok(QJsonObject{{QStringLiteral("value"), v == kAbsent ? QJsonValue(QJsonValue::Null) : QJsonValue(v)}});
}
} // namespace

Reply Dispatcher::projectPath(Session&, RpcParams& p) {
    const QString file = p.string(QStringLiteral("file"));
    if (!p.ok())
        return Reply();
    return Reply::ok(QJsonObject{{QStringLiteral("path"), m_service.project().filePath(file)}});
}

Reply Dispatcher::configGet(Session&, RpcParams& p) {
    return readStore(p, m_service.project().configPath());
}

Reply Dispatcher::profileGet(Session&, RpcParams& p) {
    return readStore(p, m_service.project().profilePath());
}

Reply Dispatcher::profileSet(Session& s, RpcParams& p) {
    const QString section = p.string(QStringLiteral("section"));
    const QString key = p.string(QStringLiteral("key"));
    const QString value = p.string(QStringLiteral("value"));
    if (!p.ok())
        return Reply();
    if (!validSection(section) || !validKey(key) || hasLineBreak(value) || value.size() > kMaxValue)
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: bad section, key or value"));
    if (!profile::WritePrivateProfileString(section, key, value, m_service.project().profilePath())) {
        Service::log(QStringLiteral("%1: cannot write %2").arg(s.peer, m_service.project().profilePath()));
        return Reply::error(kInternalError, QStringLiteral("cannot write the profile store"));
    }
    return Reply::ok(QJsonObject());
}

Reply Dispatcher::tagParse(Session&, RpcParams& p) {
    const QString name = p.string(QStringLiteral("name"));
    if (!p.ok())
        return Reply();
    const Tag* tag = m_service.project().tags().find(name);
    QJsonObject result{{QStringLiteral("valid"), tag != nullptr}};
    if (tag)
        result.insert(QStringLiteral("id"), tag->id);
    return Reply::ok(result);
}

Reply Dispatcher::tagNormalize(Session&, RpcParams& p) {
    const QString name = p.string(QStringLiteral("name"));
    if (!p.ok())
        return Reply();
    const QString trimmed = name.trimmed();
    const Tag* tag = m_service.project().tags().find(trimmed);
    return Reply::ok(QJsonObject{{QStringLiteral("name"), tag ? tag->name : trimmed}});
}

Reply Dispatcher::tagList(Session&, RpcParams& p) {
    const QString filter = p.string(QStringLiteral("filter"), QString());
    if (!p.ok())
        return Reply();
    QJsonArray tags;
    for (const Tag& t : m_service.project().tags().tags()) {
        if (!filter.isEmpty() && !t.name.contains(filter, Qt::CaseInsensitive))
            continue;
        tags.append(QJsonObject{{QStringLiteral("name"), t.name},
                                {QStringLiteral("type"), t.type},
                                {QStringLiteral("description"), t.description},
                                {QStringLiteral("value"), t.value}});
    }
    return Reply::ok(QJsonObject{{QStringLiteral("tags"), tags}});
}

} // namespace logd
