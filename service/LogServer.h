// The listening socket and the open connections.
#pragma once

#include "service/Dispatcher.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>

#include <functional>

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
    LogServer(Service& service, int maxConnections, QObject* parent = nullptr);
    ~LogServer() override;

    bool listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 port() const { return m_server.serverPort(); }
    QHostAddress address() const { return m_server.serverAddress(); }
    int connectionCount() const { return static_cast<int>(m_connections.size()); }
    // Stops listening and ends every connection.
    void shutdown();

private:
    void onAccepted(qintptr fd);

    Dispatcher m_dispatcher;
    Listener m_server;
    QSet<Connection*> m_connections;
    int m_maxConnections;
};

} // namespace logd
