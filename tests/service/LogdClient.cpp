#include "LogdClient.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

#include <sys/socket.h>

LogdClient::LogdClient(quint16 port, const QString& from) : m_socket(std::make_unique<QTcpSocket>()) {
    if (!from.isEmpty())
        m_socket->bind(QHostAddress(from));
    m_socket->connectToHost(QStringLiteral("127.0.0.1"), port);
    m_socket->waitForConnected(5000);
}

bool LogdClient::connected() const {
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool LogdClient::hasLine() {
    m_socket->waitForReadyRead(0);
    return m_socket->canReadLine();
}

void LogdClient::sendRaw(const QByteArray& bytes) {
    m_socket->write(bytes);
    m_socket->waitForBytesWritten(5000);
}

QByteArray LogdClient::readLine(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_socket->canReadLine()) {
        if (deadline.hasExpired() || m_socket->state() != QAbstractSocket::ConnectedState)
            return m_socket->canReadLine() ? m_socket->readLine() : QByteArray();
        m_socket->waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    return m_socket->readLine();
}

void LogdClient::halfClose() {
    ::shutdown(static_cast<int>(m_socket->socketDescriptor()), SHUT_WR);
}

bool LogdClient::waitClosed(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket->state() != QAbstractSocket::UnconnectedState) {
        if (deadline.hasExpired())
            return false;
        m_socket->waitForReadyRead(50);
        m_socket->readAll();
    }
    return true;
}

QByteArray LogdClient::requestLine(int id, const QString& method, const QJsonObject& params) {
    QJsonObject request{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                        {QStringLiteral("id"), id},
                        {QStringLiteral("method"), method}};
    if (!params.isEmpty())
        request.insert(QStringLiteral("params"), params);
    return QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
}

QJsonObject LogdClient::call(const QString& method, const QJsonObject& params, int timeoutMs) {
    sendRaw(requestLine(m_nextId++, method, params));
    return QJsonDocument::fromJson(readLine(timeoutMs)).object();
}

QJsonObject LogdClient::hello(const QString& clientId, const QString& token) {
    const QJsonObject answer = call(QStringLiteral("hello"), {{QStringLiteral("protocol"), 1},
                                                              {QStringLiteral("client"), clientId},
                                                              {QStringLiteral("program"), QStringLiteral("test")},
                                                              {QStringLiteral("wtg"), QString()},
                                                              {QStringLiteral("polling"), 10},
                                                              {QStringLiteral("token"), token}});
    const QJsonObject result = answer.value(QStringLiteral("result")).toObject();
    m_epoch = result.value(QStringLiteral("epoch")).toString();
    return result;
}

QJsonObject LogdClient::read(int max, int64_t ack) {
    return call(QStringLiteral("log.read"), {{QStringLiteral("max"), max},
                                             {QStringLiteral("ack"), qint64(ack)},
                                             {QStringLiteral("epoch"), m_epoch}})
        .value(QStringLiteral("result")).toObject();
}

QJsonValue LogdClient::value(const QString& method, const QJsonObject& params) {
    return call(method, params).value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

int LogdClient::errorCode(const QJsonObject& answer) {
    return answer.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt();
}
