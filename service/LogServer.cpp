#include "service/LogServer.h"

#include "service/Connection.h"
#include "service/StreamSocket.h"

#include <memory>

namespace logd {

namespace {
constexpr int kListenBacklog = 1024;
constexpr int kRefusalLogMs = 1000;
} // namespace

LogServer::LogServer(Service& service, const ConnectionLimits& limits, ssl_ctx_st* tls, QObject* parent)
    : QObject(parent), m_dispatcher(service), m_limits(limits), m_tls(tls) {
    m_server.onAccepted = [this](qintptr fd) { onAccepted(fd); };
}

LogServer::~LogServer() {
    shutdown();
}

bool LogServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    m_server.setListenBacklogSize(kListenBacklog);
    if (!m_server.listen(address, port)) {
        *error = m_server.errorString();
        return false;
    }
    return true;
}

void LogServer::onAccepted(qintptr fd) {
    auto socket = std::make_unique<StreamSocket>(fd);
    const QString address = socket->address();
    if (m_connections.size() >= m_limits.maxConnections) {
        logRefusal(socket->peer(), QStringLiteral("%1 connections open").arg(m_connections.size()));
        return;
    }
    if (m_perAddress.value(address) >= m_limits.maxPerAddress) {
        logRefusal(socket->peer(), QStringLiteral("%1 connections from that address").arg(m_perAddress.value(address)));
        return;
    }
    auto* connection = new Connection(socket.release(), m_dispatcher, m_limits, m_tls, this);
    m_connections.insert(connection);
    ++m_perAddress[address];
    connect(connection, &Connection::finished, this, [this](Connection* c) {
        m_connections.remove(c);
        if (--m_perAddress[c->address()] <= 0)
            m_perAddress.remove(c->address());
        c->deleteLater();
    });
}

void LogServer::logRefusal(const QString& peer, const QString& why) {
    ++m_refusedUnlogged;
    if (m_lastRefusalLog.isValid() && m_lastRefusalLog.elapsed() < kRefusalLogMs)
        return;
    Service::log(QStringLiteral("%1: connection refused, %2 (%3 refused since the last such line)")
                     .arg(peer, why)
                     .arg(m_refusedUnlogged));
    m_refusedUnlogged = 0;
    m_lastRefusalLog.start();
}

void LogServer::shutdown() {
    m_server.close();
    const QSet<Connection*> open = m_connections;
    m_connections.clear();
    m_perAddress.clear();
    for (Connection* c : open) {
        c->disconnect(this);
        c->abort();
        delete c;
    }
}

} // namespace logd
