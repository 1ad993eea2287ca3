#include "service/LogServer.h"

#include "service/Connection.h"

#include "service/StreamSocket.h"

namespace logd {

LogServer::LogServer(Service& service, int maxConnections, QObject* parent)
    : QObject(parent), m_dispatcher(service), m_maxConnections(maxConnections) {
    m_server.onAccepted = [this](qintptr fd) { onAccepted(fd); };
}

LogServer::~LogServer() {
    shutdown();
}

bool LogServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    m_server.setMaxPendingConnections(128);
    m_server.setListenBacklogSize(128);
    if (!m_server.listen(address, port)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

void LogServer::onAccepted(qintptr fd) {
    auto* socket = new StreamSocket(fd);
    if (m_connections.size() >= m_maxConnections) {
        Service::log(QStringLiteral("%1: too many connections, refused").arg(socket->peer()));
        delete socket;
        return;
    }
    auto* connection = new Connection(socket, m_dispatcher, this);
    m_connections.insert(connection);
    connect(connection, &Connection::finished, this, [this](Connection* c) {
        m_connections.remove(c);
        c->deleteLater();
    });
}

void LogServer::shutdown() {
    m_server.close();
    const QSet<Connection*> open = m_connections;
    m_connections.clear();
    for (Connection* c : open) {
        c->disconnect(this);
        c->abort();
        delete c;
    }
}

} // namespace logd
