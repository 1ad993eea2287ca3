// One client connection (one link): reads request lines, answers them, enforces the framing rules.
// It answers one request per turn of the event loop, so a client that sends many requests at once (or
// slow ones, such as logon with its password hash) cannot keep the service from the other connections.
#pragma once

#include "service/Dispatcher.h"
#include "service/LineReader.h"
#include "service/StreamSocket.h"

#include <QObject>
#include <QTimer>

namespace logd {

class Connection : public QObject {
    Q_OBJECT
public:
    Connection(StreamSocket* socket, Dispatcher& dispatcher, QObject* parent = nullptr);
    ~Connection() override;

    // Ends the connection at once (service shut-down).
    void abort();

Q_SIGNALS:
    void finished(logd::Connection* self);

private:
    // Asks for serve() in the next turn of the event loop (once, however often asked).
    void queueTurn();
    // Answers at most one request, reading more bytes when no complete line is buffered.
    void serve();
    void closeGracefully();
    void onDisconnected();

    StreamSocket* m_socket;
    Dispatcher& m_dispatcher;
    LineReader m_reader;
    Session m_session;
    QTimer m_closeTimer;
    QTimer m_helloTimer; // a connection that never says hello does not hold its slot for ever
    bool m_turnQueued = false;
    bool m_closing = false;
    bool m_done = false;
};

} // namespace logd
