// One client connection (one link): reads request lines, answers them, enforces the framing rules and the
// per-connection limits. It answers one request per turn of the event loop, so a client that sends many
// requests at once (or slow ones, such as logon with its password hash) cannot keep the service from the
// other connections. An answer that must wait (a refused logon) is held on a timer, never by blocking.
#pragma once

#include "service/Dispatcher.h"
#include "service/Limits.h"
#include "service/LineReader.h"
#include "service/StreamSocket.h"

#include <QObject>
#include <QTimer>

namespace logd {

class Connection : public QObject {
    Q_OBJECT
public:
    // Answers the peer waits for but has not taken: beyond this the connection is not served until it
    // takes them (one answer may still go past it).
    static constexpr qint64 kMaxPendingWrite = qint64(1) << 20;

    // With `tls` the connection must start with the TLS question (docs/protocol.md) and then speaks TLS
    // as the server of that context; anything else first is refused.
    Connection(StreamSocket* socket, Dispatcher& dispatcher, const ConnectionLimits& limits,
               ssl_ctx_st* tls = nullptr, QObject* parent = nullptr);
    ~Connection() override;

    const QString& address() const { return m_session.address; }
    // Ends the connection at once (service shut-down).
    void abort();

Q_SIGNALS:
    void finished(logd::Connection* self);

private:
    // Asks for serve() in the next turn of the event loop (once, however often asked).
    void queueTurn();
    // Answers at most one request, reading more bytes when no complete line is buffered.
    void serve();
    // The first line of a TLS connection: the question is answered in clear, then the handshake follows.
    void startTls(const QByteArray& line);
    // Sends an answer, then closes or waits for the next turn.
    void finish(const Outcome& outcome);
    void closeGracefully();
    void onDisconnected();

    StreamSocket* m_socket;
    Dispatcher& m_dispatcher;
    LineReader m_reader;
    Session m_session;
    int m_maxInFlight;
    QTimer m_closeTimer;
    QTimer m_helloTimer; // a connection that never says hello does not hold its slot for ever
    QTimer m_idleTimer;  // nor does one that stops sending requests
    QTimer m_holdTimer;  // runs while an answer is held back
    Outcome m_held;
    ssl_ctx_st* m_tls = nullptr;
    bool m_turnQueued = false;
    bool m_closing = false;
    bool m_done = false;
};

} // namespace logd
