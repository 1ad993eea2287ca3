#include "service/Connection.h"

#include "service/Service.h"

namespace logd {

namespace {
constexpr qsizetype kMaxLine = qsizetype(4) << 20;     // 4 MiB, the protocol's limit
constexpr qint64 kReadChunk = 256 * 1024;              // bytes taken from the socket at a time
constexpr qint64 kMaxPendingWrite = qint64(8) << 20;   // answers not yet taken by the peer
constexpr int kCloseGraceMs = 5000;
constexpr int kHelloTimeoutMs = 60000;
} // namespace

Connection::Connection(StreamSocket* socket, Dispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_socket(socket), m_dispatcher(dispatcher), m_reader(kMaxLine) {
    m_socket->setParent(this);
    m_session.peer = m_socket->peer();
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, m_socket, &StreamSocket::abort);
    m_helloTimer.setSingleShot(true);
    connect(&m_helloTimer, &QTimer::timeout, this, [this] {
        if (!m_session.helloed && !m_closing) {
            Service::log(QStringLiteral("%1: no hello in time, closing").arg(m_session.peer));
            closeGracefully();
        }
    });
    m_helloTimer.start(kHelloTimeoutMs);
    connect(m_socket, &StreamSocket::readable, this, &Connection::queueTurn);
    connect(m_socket, &StreamSocket::bytesWritten, this, &Connection::queueTurn);
    connect(m_socket, &StreamSocket::closed, this, &Connection::onDisconnected);
    Service::log(QStringLiteral("%1: connected").arg(m_session.peer));
    m_socket->watchReadable();
}

Connection::~Connection() {
    if (!m_done)
        m_dispatcher.endSession(m_session);
}

void Connection::abort() {
    m_closing = true;
    m_socket->abort();
    onDisconnected();
}

void Connection::queueTurn() {
    if (m_turnQueued || m_closing)
        return;
    m_turnQueued = true;
    QTimer::singleShot(0, this, &Connection::serve);
}

void Connection::serve() {
    m_turnQueued = false;
    QByteArray line;
    while (!m_closing) {
        if (m_socket->bytesToWrite() > kMaxPendingWrite)
            return; // the peer does not take its answers: bytesWritten brings the next turn
        const LineReader::Result r = m_reader.next(&line);
        if (r == LineReader::Result::NeedMore) {
            if (m_socket->atEnd()) {
                // The peer has sent everything: its requests are answered, now end the connection.
                closeGracefully();
                return;
            }
            const QByteArray bytes = m_socket->read(kReadChunk);
            if (!m_socket->isOpen())
                return;
            if (bytes.isEmpty() && !m_socket->atEnd()) {
                m_socket->watchReadable();
                return;
            }
            m_reader.append(bytes);
            continue;
        }
        if (r == LineReader::Result::TooLong) {
            Service::log(QStringLiteral("%1: line longer than 4 MiB, closing").arg(m_session.peer));
            m_closing = true;
            m_socket->abort();
            return;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        bool close = false;
        const QByteArray answer = m_dispatcher.handleLine(m_session, line, &close);
        if (!answer.isEmpty())
            m_socket->write(answer);
        if (close)
            closeGracefully();
        else
            queueTurn(); // the next request waits until the other connections had their turn
        return;
    }
}

void Connection::closeGracefully() {
    if (!m_socket->isOpen())
        return;
    m_closing = true;
    m_closeTimer.start(kCloseGraceMs);
    m_socket->closeAfterWrite(); // sends what is pending first
}

void Connection::onDisconnected() {
    if (m_done)
        return;
    m_done = true;
    m_closing = true;
    m_closeTimer.stop();
    m_helloTimer.stop();
    m_dispatcher.endSession(m_session);
    Service::log(QStringLiteral("%1: closed").arg(m_session.peer));
    Q_EMIT finished(this);
}

} // namespace logd
