// A small blocking JSON-RPC client for driving a real mirabo-logd in tests.
#pragma once

#include <QJsonObject>
#include <QString>
#include <QTcpSocket>

#include <memory>

class LogdClient {
public:
    // Connects to 127.0.0.1:`port`, from the loopback address `from` when given (for example
    // "127.0.0.2", to stand for another host).
    explicit LogdClient(quint16 port, const QString& from = QString());

    bool connected() const;
    // True when an answer line waits to be read (without waiting for one).
    bool hasLine();
    // Sends a request and waits for its answer (an empty object when none came in time).
    QJsonObject call(const QString& method, const QJsonObject& params = {}, int timeoutMs = 10000);
    // hello with the given client id; returns the result object (empty on an error answer) and keeps
    // its epoch for read().
    QJsonObject hello(const QString& clientId, const QString& token = QString());
    // log.read acknowledging `ack` under the epoch of the last hello; returns the result object.
    QJsonObject read(int max, int64_t ack);
    QString epoch() const { return m_epoch; }
    // Result member "value" of a call, or `def` when the call failed.
    QJsonValue value(const QString& method, const QJsonObject& params = {});
    // Error code of an answer, 0 when it has a result.
    static int errorCode(const QJsonObject& answer);
    // One request line, LF included (for sending raw, pipelined or cut).
    static QByteArray requestLine(int id, const QString& method, const QJsonObject& params = {});

    // Raw access for framing tests.
    void sendRaw(const QByteArray& bytes);
    // True when the service closes the connection within the time.
    bool waitClosed(int timeoutMs = 5000);
    QByteArray readLine(int timeoutMs = 5000);
    // Ends the sending side only (shutdown SHUT_WR); answers can still be read.
    void halfClose();

private:
    std::unique_ptr<QTcpSocket> m_socket;
    int m_nextId = 1;
    QString m_epoch;
};
