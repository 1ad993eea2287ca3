// The listening socket and the open connections, within the connection limits.
#pragma once

#include "service/Dispatcher.h"
#include "service/Limits.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>

#include <functional>

struct ssl_ctx_st;

namespace logd {

class Connection;

// Hands every accepted descriptor to a callback instead of wrapping it in a QTcpSocket.
class Listener : public QTcpServer {
public:
    std::function<void(qintptr)> onAccepted;

protected:
    void incomingConnection(qintptr fd) override { onAccepted(fd); }
};

class LogServer : public QObject {
    Q_OBJECT
public:
    // With `tls` every connection speaks TLS as the server of that context (docs/protocol.md, "TLS").
    LogServer(Service& service, const ConnectionLimits& limits, ssl_ctx_st* tls = nullptr, QObject* parent = nullptr);
    ~LogServer() override;

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return m_server.serverPort(); }
    QHostAddress address() const { return m_server.serverAddress(); }
    int connectionCount() const { return static_cast<int>(m_connections.size()); }
    // Stops listening and ends every connection.
    void shutdown();

private:
    void onAccepted(qintptr fd);
    // Logs refused connections, at most one line a second (a flood must not flood the log too).
    void logRefusal(const QString& peer, const QString& why);

    Dispatcher m_dispatcher;
    Listener m_server;
    ConnectionLimits m_limits;
    ssl_ctx_st* m_tls;
    QSet<Connection*> m_connections;
    QHash<QString, int> m_perAddress;
    QElapsedTimer m_lastRefusalLog;
    int m_refusedUnlogged = 0;
};

} // namespace logd
