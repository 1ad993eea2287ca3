#include "service/Connection.h"

#include "service/Service.h"

namespace logd {

namespace {
constexpr qsizetype kMaxLine = qsizetype(4) << 20;     // 4 MiB, the protocol's limit
constexpr qint64 kReadChunk = 256 * 1024;              // also the socket's read buffer bound
constexpr qint64 kMaxPendingWrite = qint64(8) << 20;   // answers not yet taken by the peer
constexpr int kCloseGraceMs = 5000;
constexpr int kHelloTimeoutMs = 60000;
} // namespace

Connection::Connection(QTcpSocket* socket, Dispatcher& dispatcher, QObject* parent)
    : QObject(parent), m_socket(socket), m_dispatcher(dispatcher), m_reader(kMaxLine) {
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadChunk);
    m_session.peer = m_socket->peerAddress().toString() + QLatin1Char(':') + QString::number(m_socket->peerPort());
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, m_socket, &QTcpSocket::abort);
    m_helloTimer.setSingleShot(true);
    connect(&m_helloTimer, &QTimer::timeout, this, [this] {
        if (!m_session.helloed && !m_closing) {
            Service::log(QStringLiteral("%1: no hello in time, closing").arg(m_session.peer));
            closeGracefully();
        }
    });
    m_helloTimer.start(kHelloTimeoutMs);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &Connection::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &Connection::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            onDisconnected();
    });
    Service::log(QStringLiteral("%1: connected").arg(m_session.peer));
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

void Connection::onReadyRead() {
    while (!m_closing) {
        processLines();
        if (m_closing || m_socket->bytesToWrite() > kMaxPendingWrite || m_socket->bytesAvailable() <= 0)
            break;
        m_reader.append(m_socket->read(kReadChunk));
    }
}

void Connection::processLines() {
    QByteArray line;
    while (!m_closing && m_socket->bytesToWrite() <= kMaxPendingWrite) {
        const LineReader::Result r = m_reader.next(&line);
        if (r == LineReader::Result::NeedMore)
            return;
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
        if (close) {
            closeGracefully();
            return;
        }
    }
}

void Connection::closeGracefully() {
    m_closing = true;
    m_closeTimer.start(kCloseGraceMs);
    m_socket->disconnectFromHost(); // sends what is pending first
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
