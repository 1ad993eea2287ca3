#include "toolkit/TkHello.h"

#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkState.h"

namespace mirabo {

namespace {
constexpr int32_t kProtocolVersion = 1;
}

int32_t codeForReply(const Reply& reply) {
    if (reply.kind == Reply::Lost)
        return resultCodeFor(reply.io);
    return MIRABO_E_FAIL; // an error answer (unsupported version included) or no exchange
}

HelloResult sayHello(Link& link, const Endpoint& endpoint, const QString& token, Deadline deadline) {
    QJsonObject params;
    params.insert(QStringLiteral("protocol"), kProtocolVersion);
    params.insert(QStringLiteral("client"), clientId());
    params.insert(QStringLiteral("program"), programName());
    params.insert(QStringLiteral("wtg"), endpoint.wtg);
    params.insert(QStringLiteral("polling"), endpoint.pollingInterval);
    params.insert(QStringLiteral("token"), token);

    HelloResult hello;
    const Reply reply = link.call("hello", params, deadline);
    if (reply.kind != Reply::Result) {
        hello.code = codeForReply(reply);
        hello.endedByPeer = reply.kind == Reply::Lost && reply.io == Io::Closed;
        return hello;
    }
    int32_t protocol = 0;
    if (!intField(reply.result, "protocol", &protocol) || !boolField(reply.result, "logonRequired", &hello.logonRequired) ||
        !boolField(reply.result, "access", &hello.access) ||
        (reply.result.contains(QStringLiteral("epoch")) && !stringField(reply.result, "epoch", &hello.epoch))) {
        link.markLost();
        hello.code = MIRABO_E_FAIL;
        return hello;
    }
    hello.code = protocol == kProtocolVersion ? MIRABO_OK : MIRABO_E_FAIL;
    return hello;
}

int32_t sendLogon(Link& link, const QString& user, const QString& password, bool interactive, Deadline deadline,
                  QString* token) {
    QJsonObject params;
    params.insert(QStringLiteral("user"), user);
    params.insert(QStringLiteral("password"), password);
    params.insert(QStringLiteral("interactive"), interactive);
    const Reply reply = link.call("logon", params, deadline);
    if (reply.kind == Reply::Error)
        return MIRABO_E_ACCESSDENIED;
    if (reply.kind != Reply::Result)
        return codeForReply(reply);
    if (!stringField(reply.result, "token", token)) {
        link.markLost();
        return MIRABO_E_FAIL;
    }
    return MIRABO_OK;
}

} // namespace mirabo
