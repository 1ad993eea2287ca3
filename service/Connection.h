// One client connection (one link): reads request lines, answers them, enforces the framing rules.
#pragma once

#include "service/Dispatcher.h"
#include "service/LineReader.h"

#include <QObject>
#include <QTcpSocket>
#include <QTimer>

namespace logd {

class Connection : public QObject {
    Q_OBJECT
public:
    Connection(QTcpSocket* socket, Dispatcher& dispatcher, QObject* parent = nullptr);
    ~Connection() override;

    // Ends the connection at once (service shut-down).
    void abort();

Q_SIGNALS:
    void finished(logd::Connection* self);

private:
    void onReadyRead();
    void processLines();
    void closeGracefully();
    void onDisconnected();

    QTcpSocket* m_socket;
    Dispatcher& m_dispatcher;
    LineReader m_reader;
    Session m_session;
    QTimer m_closeTimer;
    QTimer m_helloTimer; // a connection that never says hello does not hold its slot for ever
    bool m_closing = false;
    bool m_done = false;
};

} // namespace logd
