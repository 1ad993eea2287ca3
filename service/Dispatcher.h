// JSON-RPC dispatch of the protocol's methods for one connection's session.
#pragma once

#include "service/RpcParams.h"
#include "service/Service.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace logd {

// Error codes of the protocol.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kLogonFailed = -32001;
constexpr int kAccessDenied = -32002;
constexpr int kBadProtocol = -32003;
constexpr int kTlsRequired = -32004; // a station that speaks TLS only, asked anything in clear

// The question a client opens every connection with (docs/protocol.md, "TLS"): method "tls.start".
bool isTlsQuestion(const QJsonObject& request);
// One error answer line, LF included.
QByteArray encodeError(const QJsonValue& id, int code, const QString& message);

// What one connection knows about itself.
struct Session {
    QString peer;               // "address:port", for the event log
    QString address;            // the peer's address alone
    bool helloed = false;
    bool access = false;
    int failedLogons = 0;       // refused logons on this connection; the third closes it
    ClientState* client = nullptr; // attached in hello, detached when the connection ends
};

struct Reply {
    QJsonValue result;
    int code = 0; // nonzero: an error
    QString message;
    bool close = false; // close the connection after sending
    int delayMs = 0;    // send only after this long

    static Reply ok(const QJsonValue& value) { return Reply{value, 0, QString(), false, 0}; }
    static Reply error(int code, const QString& message, bool close = false) {
        return Reply{QJsonValue(), code, message, close, 0};
    }
};

// What a connection does with one received line.
struct Outcome {
    QByteArray answer;  // the answer line with its LF; empty: none
    bool close = false; // close the connection after sending the answer (at once when there is none)
    int delayMs = 0;    // hold the answer, and every later request of the connection, this long
};

class Dispatcher {
public:
    explicit Dispatcher(Service& service) : m_service(service) {}

    // Handles one received line (without its LF).
    Outcome handleLine(Session& session, const QByteArray& line);
    // The connection ended: releases the session's hold on its client state.
    void endSession(Session& session);

private:
    Reply call(Session& session, const QString& method, RpcParams& params);

    // Session methods (SessionMethods.cpp).
    Reply hello(Session& s, RpcParams& p);
    Reply logon(Session& s, RpcParams& p);
    // Per-client log methods (LogMethods.cpp).
    Reply logOutput(Session& s, RpcParams& p);
    Reply serviceQuery(Session& s, RpcParams& p);
    Reply switchGet(Session& s, RpcParams& p);
    Reply switchSet(Session& s, RpcParams& p);
    Reply stampGet(Session& s, RpcParams& p);
    Reply stampSet(Session& s, RpcParams& p);
    Reply opcGet(Session& s, RpcParams& p);
    Reply opcSet(Session& s, RpcParams& p);
    Reply logRead(Session& s, RpcParams& p);
    Reply logDiscard(Session& s, RpcParams& p);
    Reply tagLog(Session& s, RpcParams& p);
    // Project methods (ProjectMethods.cpp).
    Reply projectPath(Session& s, RpcParams& p);
    Reply configGet(Session& s, RpcParams& p);
    Reply profileGet(Session& s, RpcParams& p);
    Reply profileSet(Session& s, RpcParams& p);
    Reply tagParse(Session& s, RpcParams& p);
    Reply tagNormalize(Session& s, RpcParams& p);
    Reply tagList(Session& s, RpcParams& p);

    Service& m_service;
};

} // namespace logd
