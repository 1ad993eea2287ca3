#include "service/Connection.h"

#include "service/Service.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace logd {

namespace {
constexpr qint64 kReadChunk = 256 * 1024; // bytes taken from the socket at a time
constexpr int kCloseGraceMs = 5000;
constexpr int kHelloTimeoutMs = 60000;
} // namespace

Connection::Connection(StreamSocket* socket, Dispatcher& dispatcher, const ConnectionLimits& limits,
                       ssl_ctx_st* tls, QObject* parent)
    : QObject(parent), m_socket(socket), m_dispatcher(dispatcher), m_reader(limits.maxRequestBytes),
      m_maxInFlight(limits.maxInFlight), m_tls(tls) {
    m_socket->setParent(this);
    m_session.peer = m_socket->peer();
    m_session.address = m_socket->address();
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
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(limits.idleTimeoutMs);
    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        if (m_closing)
            return;
        Service::log(QStringLiteral("%1: no request for %2 s, closing")
                         .arg(m_session.peer)
                         .arg(m_idleTimer.interval() / 1000.0));
        closeGracefully();
    });
    m_idleTimer.start();
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer); // never early: the delay is what the caller must wait
    connect(&m_holdTimer, &QTimer::timeout, this, [this] {
        m_idleTimer.start();
        finish(std::exchange(m_held, Outcome()));
    });
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
    if (m_turnQueued || m_closing || m_holdTimer.isActive())
        return;
    m_turnQueued = true;
    QTimer::singleShot(0, this, &Connection::serve);
}

void Connection::serve() {
    m_turnQueued = false;
    QByteArray line;
    while (!m_closing && !m_holdTimer.isActive()) {
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
            if (m_reader.lines() > m_maxInFlight) {
                Service::log(QStringLiteral("%1: more than %2 requests sent ahead of their answers, closing")
                                 .arg(m_session.peer)
                                 .arg(m_maxInFlight));
                closeGracefully();
                return;
            }
            continue;
        }
        if (r == LineReader::Result::TooLong) {
            Service::log(QStringLiteral("%1: request longer than %2 bytes, closing")
                             .arg(m_session.peer)
                             .arg(m_reader.maxLine()));
            m_closing = true;
            m_socket->abort();
            return;
        }
        m_idleTimer.start();
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (m_tls && !m_socket->tlsStarted()) {
            startTls(line);
            return;
        }
        const Outcome outcome = m_dispatcher.handleLine(m_session, line);
        if (outcome.delayMs > 0) {
            m_held = outcome;
            m_holdTimer.start(outcome.delayMs);
            return;
        }
        finish(outcome);
        return;
    }
}

void Connection::startTls(const QByteArray& line) {
    const QJsonObject request = QJsonDocument::fromJson(line).object();
    const QJsonValue id = request.value(QStringLiteral("id"));
    if (!isTlsQuestion(request)) {
        Service::log(QStringLiteral("%1: asked in clear, but this service speaks TLS only; closing").arg(m_session.peer));
        finish(Outcome{encodeError(id.isDouble() || id.isString() ? id : QJsonValue(), kTlsRequired,
                                   QStringLiteral("TLS required")),
                       true, 0});
        return;
    }
    // Whatever follows the question before the handshake would later pass for protected bytes.
    if (m_reader.buffered() > 0) {
        Service::log(QStringLiteral("%1: bytes after the TLS question, closing").arg(m_session.peer));
        m_closing = true;
        m_socket->abort();
        return;
    }
    const QJsonObject answer{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                             {QStringLiteral("id"), id},
                             {QStringLiteral("result"), QJsonObject{{QStringLiteral("tls"), true}}}};
    m_socket->write(QJsonDocument(answer).toJson(QJsonDocument::Compact) + '\n');
    m_socket->startTls(m_tls);
    queueTurn();
}

void Connection::finish(const Outcome& outcome) {
    if (!outcome.answer.isEmpty())
        m_socket->write(outcome.answer);
    if (outcome.close)
        closeGracefully();
    else
        queueTurn(); // the next request waits until the other connections had their turn
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
    m_idleTimer.stop();
    m_holdTimer.stop();
    m_dispatcher.endSession(m_session);
    Service::log(QStringLiteral("%1: closed").arg(m_session.peer));
    Q_EMIT finished(this);
}

} // namespace logd
