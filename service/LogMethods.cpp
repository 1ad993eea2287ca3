// The per-client log methods: log output, switches, stamp, OPC parameters, reading the queue, tags.
#include "service/Dispatcher.h"

#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace logd {

namespace {
constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kMaxRead = 1048576;

QJsonObject value(int64_t v) {
    return QJsonObject{{QStringLiteral("value"), static_cast<qint64>(v)}};
}
} // namespace

Reply Dispatcher::logOutput(Session& s, RpcParams& p) {
    const bool enable = p.boolean(QStringLiteral("enable"));
    if (!p.ok())
        return Reply();
    s.client->setLogOutput(enable);
    return Reply::ok(QJsonObject());
}

// "MIRABO" with 0 answers how many other links of the same client are open: 0 means nobody else of this
// client still reads, so its log output may be switched off.
Reply Dispatcher::serviceQuery(Session& s, RpcParams& p) {
    const QString name = p.string(QStringLiteral("name"));
    const int64_t arg = p.integer(QStringLiteral("arg"), kIntMin, kIntMax);
    if (!p.ok())
        return Reply();
    if (name.compare(QLatin1String("MIRABO"), Qt::CaseInsensitive) != 0 || arg != 0)
        return Reply::ok(value(-1));
    return Reply::ok(value(s.client->links - 1));
}

Reply Dispatcher::switchGet(Session& s, RpcParams& p) {
    const int64_t index = p.integer(QStringLiteral("index"), 0, kMaskIndex);
    if (!p.ok())
        return Reply();
    if (index == kMaskIndex)
        return Reply::ok(value(s.client->switchMask()));
    if (index >= kSwitchCount)
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: no switch %1").arg(index));
    return Reply::ok(value(s.client->switchValue(static_cast<int>(index))));
}

Reply Dispatcher::switchSet(Session& s, RpcParams& p) {
    const int64_t index = p.integer(QStringLiteral("index"), 0, kSwitchCount - 1);
    const int64_t v = p.integer(QStringLiteral("value"), 0, 65535);
    if (!p.ok())
        return Reply();
    s.client->setSwitch(static_cast<int>(index), static_cast<int>(v));
    return Reply::ok(QJsonObject());
}

Reply Dispatcher::stampGet(Session& s, RpcParams&) {
    return Reply::ok(value(s.client->stamp()));
}

Reply Dispatcher::stampSet(Session& s, RpcParams& p) {
    const int64_t v = p.integer(QStringLiteral("value"), 0, 65535);
    if (!p.ok())
        return Reply();
    s.client->setStamp(static_cast<int>(v));
    return Reply::ok(QJsonObject());
}

Reply Dispatcher::opcGet(Session& s, RpcParams& p) {
    const int64_t kind = p.integer(QStringLiteral("kind"), kOpcFirstKind, kOpcLastKind);
    const int64_t param = p.integer(QStringLiteral("param"), 0, kOpcParamCount - 1);
    if (!p.ok())
        return Reply();
    return Reply::ok(value(s.client->opcParam(static_cast<int>(kind), static_cast<int>(param))));
}

Reply Dispatcher::opcSet(Session& s, RpcParams& p) {
    const int64_t kind = p.integer(QStringLiteral("kind"), kOpcFirstKind, kOpcLastKind);
    const int64_t param = p.integer(QStringLiteral("param"), 0, kOpcParamCount - 1);
    const int64_t v = p.integer(QStringLiteral("value"), kIntMin, kIntMax);
    if (!p.ok())
        return Reply();
    s.client->setOpcParam(static_cast<int>(kind), static_cast<int>(param), static_cast<int>(v));
    return Reply::ok(QJsonObject());
}

Reply Dispatcher::logRead(Session& s, RpcParams& p) {
    const int64_t max = p.integer(QStringLiteral("max"), 1, kMaxRead);
    const int64_t ack = p.integer(QStringLiteral("ack"), 0, std::numeric_limits<int64_t>::max() / 2, 0);
    const QString epoch = p.string(QStringLiteral("epoch"), QString());
    if (!p.ok())
        return Reply();
    const LogReadResult r = s.client->read(max, ack, epoch);
    // `waiting`: the code units still queued behind this answer, so that a client that fell behind reads
    // again at once instead of at its next cycle.
    const LogQueue& queue = s.client->queue();
    const qint64 waiting = queue.empty() ? 0 : std::max<qint64>(1, queue.units()); // a drop notice counts too
    return Reply::ok(QJsonObject{{QStringLiteral("text"), r.text},
                                 {QStringLiteral("seq"), static_cast<qint64>(r.seq)},
                                 {QStringLiteral("waiting"), waiting}});
}

Reply Dispatcher::logDiscard(Session& s, RpcParams&) {
    s.client->discard();
    return Reply::ok(QJsonObject());
}

Reply Dispatcher::tagLog(Session& s, RpcParams& p) {
    const QString name = p.string(QStringLiteral("name"));
    const bool enable = p.boolean(QStringLiteral("enable"));
    if (!p.ok())
        return Reply();
    const Tag* tag = m_service.project().tags().find(name);
    if (!tag)
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: no such tag"));
    s.client->setTagLogged(tag->id, enable);
    return Reply::ok(QJsonObject());
}

} // namespace logd
