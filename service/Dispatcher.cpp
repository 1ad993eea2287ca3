#include "service/Dispatcher.h"

#include <QByteArrayView>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace logd {

namespace {

using Method = Reply (Dispatcher::*)(Session&, RpcParams&);

QByteArray encode(const QJsonValue& id, const Reply& reply) {
    QJsonObject out{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")}, {QStringLiteral("id"), id}};
    if (reply.code != 0) {
        out.insert(QStringLiteral("error"),
                   QJsonObject{{QStringLiteral("code"), reply.code}, {QStringLiteral("message"), reply.message}});
    } else {
        out.insert(QStringLiteral("result"), reply.result);
    }
    return QJsonDocument(out).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

bool isTlsQuestion(const QJsonObject& request) {
    return request.value(QStringLiteral("jsonrpc")) == QJsonValue(QStringLiteral("2.0")) &&
           request.value(QStringLiteral("method")) == QJsonValue(QStringLiteral("tls.start"));
}

QByteArray encodeError(const QJsonValue& id, int code, const QString& message) {
    return encode(id, Reply::error(code, message));
}

Outcome Dispatcher::handleLine(Session& session, const QByteArray& line) {
    if (!QByteArrayView(line).isValidUtf8()) { // overlong forms and encoded surrogates included
        Service::log(QStringLiteral("%1: line is not valid UTF-8, closing").arg(session.peer));
        return Outcome{QByteArray(), true, 0};
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError) {
        Service::log(QStringLiteral("%1: line is not valid JSON, closing").arg(session.peer));
        return Outcome{encode(QJsonValue::Null, Reply::error(kParseError, QStringLiteral("parse error"))), true, 0};
    }
    if (!doc.isObject()) {
        Service::log(QStringLiteral("%1: line is not a JSON object, closing").arg(session.peer));
        return Outcome{encode(QJsonValue::Null, Reply::error(kInvalidRequest, QStringLiteral("not a JSON object"))),
                       true, 0};
    }
    const QJsonObject request = doc.object();
    const QJsonValue id = request.value(QStringLiteral("id"));
    const QJsonValue method = request.value(QStringLiteral("method"));
    const QJsonValue params = request.value(QStringLiteral("params"));
    if (request.value(QStringLiteral("jsonrpc")) != QJsonValue(QStringLiteral("2.0")) || !method.isString() ||
        !(id.isDouble() || id.isString()) || !(params.isUndefined() || params.isObject())) {
        const QJsonValue answerId = (id.isDouble() || id.isString()) ? id : QJsonValue(QJsonValue::Null);
        return Outcome{encode(answerId, Reply::error(kInvalidRequest, QStringLiteral("invalid request"))), false, 0};
    }
    RpcParams rpcParams(params.toObject());
    const Reply reply = call(session, method.toString(), rpcParams);
    return Outcome{encode(id, reply), reply.close, reply.delayMs};
}

Reply Dispatcher::call(Session& session, const QString& method, RpcParams& params) {
    static const QHash<QString, Method> methods = {
        {QStringLiteral("hello"), &Dispatcher::hello},
        {QStringLiteral("logon"), &Dispatcher::logon},
        {QStringLiteral("log.output"), &Dispatcher::logOutput},
        {QStringLiteral("service.query"), &Dispatcher::serviceQuery},
        {QStringLiteral("switch.get"), &Dispatcher::switchGet},
        {QStringLiteral("switch.set"), &Dispatcher::switchSet},
        {QStringLiteral("stamp.get"), &Dispatcher::stampGet},
        {QStringLiteral("stamp.set"), &Dispatcher::stampSet},
        {QStringLiteral("opc.get"), &Dispatcher::opcGet},
        {QStringLiteral("opc.set"), &Dispatcher::opcSet},
        {QStringLiteral("log.read"), &Dispatcher::logRead},
        {QStringLiteral("log.discard"), &Dispatcher::logDiscard},
        {QStringLiteral("project.path"), &Dispatcher::projectPath},
        {QStringLiteral("config.get"), &Dispatcher::configGet},
        {QStringLiteral("profile.get"), &Dispatcher::profileGet},
        {QStringLiteral("profile.set"), &Dispatcher::profileSet},
        {QStringLiteral("tag.parse"), &Dispatcher::tagParse},
        {QStringLiteral("tag.normalize"), &Dispatcher::tagNormalize},
        {QStringLiteral("tag.log"), &Dispatcher::tagLog},
        {QStringLiteral("tag.list"), &Dispatcher::tagList},
    };
    const bool isHello = method == QLatin1String("hello");
    // A client asks every station whether it speaks TLS before its hello; here (in clear, or inside
    // TLS already) the answer is no, and the connection goes on.
    if (method == QLatin1String("tls.start"))
        return Reply::error(kMethodNotFound, QStringLiteral("no TLS to start here"));
    if (!session.helloed && !isHello) {
        Service::log(QStringLiteral("%1: first request is not hello, closing").arg(session.peer));
        return Reply::error(kAccessDenied, QStringLiteral("hello first"), true);
    }
    const auto it = methods.constFind(method);
    if (it == methods.constEnd())
        return Reply::error(kMethodNotFound, QStringLiteral("method not found"));
    if (!session.access && !isHello && method != QLatin1String("logon"))
        return Reply::error(kAccessDenied, QStringLiteral("access denied"));
    Reply reply = (this->*(*it))(session, params);
    if (!params.ok())
        return Reply::error(kInvalidParams, QStringLiteral("invalid params: ") + params.problem());
    return reply;
}

void Dispatcher::endSession(Session& session) {
    if (session.client)
        m_service.clients().detach(session.client);
    session.client = nullptr;
    session.helloed = false;
    session.access = false;
}

} // namespace logd
