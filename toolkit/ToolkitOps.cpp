// Toolkit operations that act on the active link.
#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkState.h"

#include <QJsonArray>

#include <algorithm>

using namespace mirabo;

namespace {

constexpr int32_t kMaxReadUnits = 1048576;
constexpr int32_t kMaxTagName = 2048;

// One request on the active link. MIRABO_OK with the result, or a failure code: no active link, a
// lost link, an error answer (the link stays up) or a failed exchange (the link is lost).
int32_t ask(const char* method, const QJsonObject& params, QJsonObject* result = nullptr,
            std::shared_ptr<Link>* used = nullptr) {
    std::shared_ptr<Link> link = activeLink();
    if (!link)
        return MIRABO_E_FAIL;
    const Reply reply = link->call(method, params);
    if (used)
        *used = link;
    if (reply.kind == Reply::Result) {
        if (result)
            *result = reply.result;
        return MIRABO_OK;
    }
    if (reply.kind == Reply::Lost && reply.io == Io::Timeout)
        return MIRABO_E_TIMEOUT;
    return MIRABO_E_FAIL;
}

// An answer without the field the method promises: the service is out of step, the link is lost.
int32_t malformed(const std::shared_ptr<Link>& link) {
    link->markLost();
    return MIRABO_E_FAIL;
}

// Asks for an integer "value"; `fallback` on any failure.
int32_t askInt(const char* method, const QJsonObject& params, int32_t fallback) {
    QJsonObject result;
    std::shared_ptr<Link> link;
    if (ask(method, params, &result, &link) != MIRABO_OK)
        return fallback;
    int32_t value = 0;
    if (!intField(result, "value", &value)) {
        malformed(link);
        return fallback;
    }
    return value;
}

// Asks for a text "value" that may be null. False on failure; `isNull` tells a missing entry.
bool askText(const char* method, const QString& section, const QString& key, QString* value, bool* isNull) {
    QJsonObject params{{QStringLiteral("section"), section}, {QStringLiteral("key"), key}};
    QJsonObject result;
    std::shared_ptr<Link> link;
    if (ask(method, params, &result, &link) != MIRABO_OK)
        return false;
    if (!stringOrNullField(result, "value", value, isNull)) {
        malformed(link);
        return false;
    }
    return true;
}

QString getString(const char* method, const QString& section, const QString& key, const QString& def, int32_t capacity) {
    QString value;
    bool isNull = true;
    if (!askText(method, section, key, &value, &isNull) || isNull)
        value = def;
    if (capacity <= 0)
        return QString();
    if (value.size() > capacity - 1) {
        value.truncate(capacity - 1);
        if (!value.isEmpty() && value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

int32_t getInt(const char* method, const QString& section, const QString& key, int32_t def) {
    QString value;
    bool isNull = true;
    if (!askText(method, section, key, &value, &isNull) || isNull)
        return def;
    return MiraboLeadingDecimal(value, def);
}

} // namespace

int32_t LogOutputEnable(int32_t enable) {
    return ask("log.output", {{QStringLiteral("enable"), enable != 0}});
}

int32_t ServiceQuery(const QString& serviceName, int32_t arg) {
    return askInt("service.query", {{QStringLiteral("name"), serviceName}, {QStringLiteral("arg"), arg}}, 0);
}

int32_t SwitchGet(int32_t index) { return askInt("switch.get", {{QStringLiteral("index"), index}}, 0); }

int32_t SwitchSet(int32_t index, int32_t value) {
    return ask("switch.set", {{QStringLiteral("index"), index}, {QStringLiteral("value"), value}});
}

int32_t DateTimeStampGet() { return askInt("stamp.get", {}, 0); }

int32_t DateTimeStampSet(int32_t value) { return ask("stamp.set", {{QStringLiteral("value"), value}}); }

int32_t OpcLogParamGet(int32_t kind, int32_t param) {
    return askInt("opc.get", {{QStringLiteral("kind"), kind}, {QStringLiteral("param"), param}}, 0);
}

int32_t OpcLogParamSet(int32_t kind, int32_t param, int32_t value) {
    return ask("opc.set", {{QStringLiteral("kind"), kind}, {QStringLiteral("param"), param}, {QStringLiteral("value"), value}});
}

namespace {

// Whether a service that does not say so has more text behind an answer: log.read hands out whole
// messages only, so an answer that leaves less room than its longest message took had to stop there.
bool LooksCut(const QString& answer, int32_t capacity) {
    if (answer.isEmpty())
        return false;
    qsizetype longest = 0;
    for (qsizetype start = 0; start < answer.size();) {
        qsizetype end = answer.indexOf(u'\n', start);
        end = end < 0 ? answer.size() : end + 1;
        longest = std::max(longest, end - start);
        start = end;
    }
    return capacity - answer.size() < longest;
}

} // namespace

int32_t LogTextRead(QString* text, int32_t capacity) { return LogTextRead(text, capacity, nullptr); }

int32_t LogTextRead(QString* text, int32_t capacity, bool* moreWaiting) {
    if (moreWaiting)
        *moreWaiting = false;
    if (text)
        text->clear();
    if (!text || capacity < 1)
        return MIRABO_E_FAIL;
    const int32_t max = capacity < kMaxReadUnits ? capacity : kMaxReadUnits;
    const ReadMark acked = lastRead();
    QJsonObject result;
    std::shared_ptr<Link> link;
    const int32_t code = ask("log.read",
                             {{QStringLiteral("max"), max},
                              {QStringLiteral("ack"), static_cast<qint64>(acked.seq)},
                              {QStringLiteral("epoch"), acked.epoch}},
                             &result, &link);
    if (code != MIRABO_OK)
        return code;
    QString received;
    int64_t seq = 0;
    if (!stringField(result, "text", &received) || !int64Field(result, "seq", &seq))
        return malformed(link);
    // More than asked for, or half a surrogate pair at the end: the answer cannot be handed out as it
    // is. Not acknowledging it makes the service send the same text again on the next link.
    if (received.size() > max || (!received.isEmpty() && received.back().isHighSurrogate()))
        return malformed(link);
    // Within one service state a seq never goes back, and text under the acknowledged seq was handed out
    // already: either means the service is out of step.
    if (link->epoch() == acked.epoch && (seq < acked.seq || (seq == acked.seq && !received.isEmpty())))
        return malformed(link);
    *text = received;
    setLastRead({seq, link->epoch()});
    if (moreWaiting) {
        int64_t waiting = 0;
        *moreWaiting = result.contains(QStringLiteral("waiting")) && int64Field(result, "waiting", &waiting)
                           ? waiting > 0
                           : LooksCut(received, max);
    }
    return MIRABO_OK;
}

int32_t LogTextDiscard() { return ask("log.discard", {}); }

int32_t ProjectFilePath(const QString& file, QString* path, int32_t capacity) {
    if (path)
        path->clear();
    if (!path)
        return MIRABO_E_FAIL;
    QJsonObject result;
    std::shared_ptr<Link> link;
    const int32_t code = ask("project.path", {{QStringLiteral("file"), file}}, &result, &link);
    if (code != MIRABO_OK)
        return code;
    QString full;
    if (!stringField(result, "path", &full))
        return malformed(link);
    if (full.size() > capacity)
        return MIRABO_E_FAIL; // a cut path would name another file
    *path = full;
    return MIRABO_OK;
}

QString ConfigGetString(const QString& section, const QString& key, const QString& def, int32_t capacity) {
    return getString("config.get", section, key, def, capacity);
}

int32_t ConfigGetInt(const QString& section, const QString& key, int32_t def) {
    return getInt("config.get", section, key, def);
}

QString ProfileGetString(const QString& section, const QString& key, const QString& def, int32_t capacity) {
    return getString("profile.get", section, key, def, capacity);
}

int32_t ProfileGetInt(const QString& section, const QString& key, int32_t def) {
    return getInt("profile.get", section, key, def);
}

int32_t ProfileSetString(const QString& section, const QString& key, const QString& value) {
    return ask("profile.set",
               {{QStringLiteral("section"), section}, {QStringLiteral("key"), key}, {QStringLiteral("value"), value}});
}

int32_t TagNameNormalize(QString* name) {
    if (!name)
        return MIRABO_E_FAIL;
    QJsonObject result;
    std::shared_ptr<Link> link;
    const int32_t code = ask("tag.normalize", {{QStringLiteral("name"), *name}}, &result, &link);
    if (code != MIRABO_OK)
        return code;
    QString normalized;
    if (!stringField(result, "name", &normalized))
        return malformed(link);
    if (normalized.size() > kMaxTagName)
        return MIRABO_E_FAIL; // does not fit the caller's buffer; the name stays as it was
    *name = normalized;
    return MIRABO_OK;
}

int32_t TagParse(MiraboTagRef* ref, const QString& name) {
    if (ref)
        *ref = MiraboTagRef{};
    QJsonObject result;
    std::shared_ptr<Link> link;
    if (ask("tag.parse", {{QStringLiteral("name"), name}}, &result, &link) != MIRABO_OK)
        return 0;
    bool valid = false;
    if (!boolField(result, "valid", &valid)) {
        malformed(link);
        return 0;
    }
    if (!valid)
        return 0;
    int32_t id = 0;
    if (!intField(result, "id", &id)) {
        malformed(link);
        return 0;
    }
    if (ref)
        ref->id = id;
    return 1;
}

int32_t TagLogEnable(const QString& name, int32_t enable) {
    return ask("tag.log", {{QStringLiteral("name"), name}, {QStringLiteral("enable"), enable != 0}});
}

int32_t TagList(const QString& filter, QList<MiraboTagInfo>* tags) {
    if (tags)
        tags->clear();
    QJsonObject result;
    std::shared_ptr<Link> link;
    const int32_t code = ask("tag.list", {{QStringLiteral("filter"), filter}}, &result, &link);
    if (code != MIRABO_OK)
        return code;
    const QJsonValue list = result.value(QStringLiteral("tags"));
    if (!list.isArray())
        return malformed(link);
    QList<MiraboTagInfo> rows;
    for (const QJsonValue& entry : list.toArray()) {
        const QJsonObject o = entry.toObject();
        MiraboTagInfo row;
        if (!entry.isObject() || !stringField(o, "name", &row.name) || !stringField(o, "type", &row.type) ||
            !stringField(o, "description", &row.description) || !stringField(o, "value", &row.value))
            return malformed(link);
        rows.append(row);
    }
    if (tags)
        *tags = rows;
    return MIRABO_OK;
}
