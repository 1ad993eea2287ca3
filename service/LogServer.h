// The listening socket and the open connections.
#pragma once

#include "service/Dispatcher.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTcpServer>

namespace logd {

class Connection;

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
    void onNewConnection();

    Dispatcher m_dispatcher;
    QTcpServer m_server;
    QSet<Connection*> m_connections;
    int m_maxConnections;
};

} // namespace logd
