#include "service/StreamSocket.h"

#include "service/Service.h"

#include <QHostAddress>
#include <QTimer>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace logd {

namespace {

// The peer's address and "address:port" (an IPv6 address in brackets there).
void describePeer(int fd, QString* address, QString* peer) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        *address = *peer = QStringLiteral("?");
        return;
    }
    quint16 port = 0;
    if (storage.ss_family == AF_INET)
        port = ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
    else if (storage.ss_family == AF_INET6)
        port = ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
    *address = QHostAddress(reinterpret_cast<const sockaddr*>(&storage)).toString();
    *peer = (storage.ss_family == AF_INET6 ? QLatin1Char('[') + *address + QLatin1Char(']') : *address) +
            QLatin1Char(':') + QString::number(port);
}

bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

constexpr qsizetype kCompactAfter = 1 << 20;

} // namespace

StreamSocket::StreamSocket(qintptr fd, QObject* parent) : QObject(parent), m_fd(static_cast<int>(fd)) {
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    describePeer(m_fd, &m_address, &m_peer);
    m_readNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &StreamSocket::onReadActivated);
    m_writeNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &StreamSocket::onWriteActivated);
}

StreamSocket::~StreamSocket() {
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    if (m_ssl)
        SSL_free(m_ssl);
    if (m_fd >= 0)
        ::close(m_fd);
}

void StreamSocket::startTls(ssl_ctx_st* context) {
    if (m_fd < 0 || m_tlsContext)
        return;
    m_tlsContext = context;
    if (bytesToWrite() == 0)
        beginTls();
}

void StreamSocket::beginTls() {
    // The descriptor's own BIO writes with write(2): mirabo-logd ignores SIGPIPE (main.cpp).
    ERR_clear_error();
    m_ssl = SSL_new(m_tlsContext);
    if (!m_ssl || SSL_set_fd(m_ssl, m_fd) != 1) {
        Service::log(QStringLiteral("%1: no TLS session, closing").arg(m_peer));
        abort();
        return;
    }
    SSL_set_accept_state(m_ssl);
    // An answer goes out as several TLS records, each its own write: without this the second one waits
    // for the client's delayed acknowledgement (tens of ms) before it leaves.
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    SSL_set_mode(m_ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    m_readNotifier->setEnabled(true); // the client's first handshake bytes
}

bool StreamSocket::settleTls(int result, const char* what) {
    const int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ) {
        m_tlsWantsRead = true;
        m_readNotifier->setEnabled(true);
        return true;
    }
    if (error == SSL_ERROR_WANT_WRITE) {
        m_writeNotifier->setEnabled(true);
        return true;
    }
    if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)) {
        m_peerDone = true; // the peer's end: close_notify, or the stream ended
        return m_handshakeDone;
    }
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    Service::log(QStringLiteral("%1: TLS %2 failed (%3), closing").arg(m_peer, QLatin1String(what), QLatin1String(text)));
    return false;
}

bool StreamSocket::handshake() {
    if (m_handshakeDone)
        return true;
    ERR_clear_error();
    const int r = SSL_do_handshake(m_ssl);
    if (r == 1) {
        m_handshakeDone = true;
        Service::log(QStringLiteral("%1: %2 %3")
                         .arg(m_peer, QLatin1String(SSL_get_version(m_ssl)),
                              QLatin1String(SSL_CIPHER_get_name(SSL_get_current_cipher(m_ssl)))));
        return true;
    }
    if (!settleTls(r, "handshake"))
        abort();
    return false;
}

QByteArray StreamSocket::readTls(qint64 max) {
    if (!handshake())
        return QByteArray();
    m_tlsWantsRead = false;
    QByteArray bytes;
    while (bytes.size() < max) {
        char chunk[16384];
        std::size_t n = 0;
        ERR_clear_error();
        const int r = SSL_read_ex(m_ssl, chunk, std::min<std::size_t>(sizeof chunk, std::size_t(max - bytes.size())), &n);
        if (r == 1) {
            bytes.append(chunk, static_cast<qsizetype>(n));
            continue;
        }
        if (!settleTls(r, "read")) {
            abort();
            return QByteArray();
        }
        break;
    }
    // A write that waited for the peer's bytes may go on now.
    if (m_tlsRetryLength > 0 || bytesToWrite() > 0)
        QTimer::singleShot(0, this, [this] { flushOut(); });
    return bytes;
}

QByteArray StreamSocket::read(qint64 max) {
    if (m_fd < 0 || m_peerDone || max <= 0)
        return QByteArray();
    if (m_ssl)
        return readTls(max);
    QByteArray bytes(static_cast<qsizetype>(max), Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::recv(m_fd, bytes.data(), static_cast<size_t>(max), MSG_DONTWAIT);
        if (n > 0) {
            bytes.truncate(static_cast<qsizetype>(n));
            bytes.squeeze();
            return bytes;
        }
        if (n == 0) {
            m_peerDone = true;
            return QByteArray();
        }
        if (errno == EINTR)
            continue;
        if (!wouldBlock(errno))
            abort(); // reset or another hard error
        return QByteArray();
    }
}

void StreamSocket::watchReadable() {
    if (m_fd < 0)
        return;
    // Bytes the TLS session holds already raise no notifier.
    if (m_ssl && m_handshakeDone && SSL_pending(m_ssl) > 0) {
        QTimer::singleShot(0, this, [this] {
            if (m_fd >= 0)
                Q_EMIT readable();
        });
        return;
    }
    m_readNotifier->setEnabled(true);
}

void StreamSocket::onReadActivated() {
    if (!m_sendingDone) {
        m_readNotifier->setEnabled(false);
        if (m_ssl && m_tlsWantsRead && (m_tlsRetryLength > 0 || bytesToWrite() > 0))
            flushOut();
        if (m_fd >= 0)
            Q_EMIT readable();
        return;
    }
    // Closing: drop what the peer still sends until it closes its side too.
    char sink[16384];
    for (;;) {
        const ssize_t n = ::recv(m_fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && wouldBlock(errno))
            return;
        abort(); // the peer's end, or an error: the connection is over
        return;
    }
}

void StreamSocket::write(const QByteArray& bytes) {
    if (m_fd < 0 || m_closeAfterWrite || bytes.isEmpty())
        return;
    m_out.append(bytes);
    flushOut();
}

void StreamSocket::flushTls() {
    if (!handshake())
        return;
    while (m_fd >= 0 && bytesToWrite() > 0) {
        const std::size_t length = m_tlsRetryLength > 0 ? m_tlsRetryLength : std::size_t(bytesToWrite());
        std::size_t n = 0;
        ERR_clear_error();
        const int r = SSL_write_ex(m_ssl, m_out.constData() + m_outPos, length, &n);
        if (r == 1) {
            m_tlsRetryLength = 0;
            m_outPos += static_cast<qsizetype>(n);
            continue;
        }
        // Repeated later with the same bytes, as the TLS library demands (they may move in memory).
        m_tlsRetryLength = length;
        if (!settleTls(r, "write") || m_peerDone) {
            abort();
            return;
        }
        if (m_outPos >= kCompactAfter) {
            m_out.remove(0, m_outPos);
            m_outPos = 0;
        }
        return;
    }
    if (m_fd < 0)
        return;
    m_out.clear();
    m_outPos = 0;
    m_writeNotifier->setEnabled(false);
    if (m_closeAfterWrite)
        finishSending();
}

void StreamSocket::flushOut() {
    if (m_ssl) {
        flushTls();
        return;
    }
    while (m_fd >= 0 && bytesToWrite() > 0) {
        const ssize_t n = ::send(m_fd, m_out.constData() + m_outPos, static_cast<size_t>(bytesToWrite()),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_outPos += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && wouldBlock(errno)) {
            if (m_outPos >= kCompactAfter) {
                m_out.remove(0, m_outPos);
                m_outPos = 0;
            }
            m_writeNotifier->setEnabled(true);
            return;
        }
        abort();
        return;
    }
    if (m_fd < 0)
        return;
    m_out.clear();
    m_outPos = 0;
    m_writeNotifier->setEnabled(false);
    if (m_tlsContext && !m_ssl) {
        beginTls(); // the clear answer that announced it is out
        return;
    }
    if (m_closeAfterWrite)
        finishSending();
}

void StreamSocket::onWriteActivated() {
    const qint64 before = bytesToWrite();
    const bool handshaking = m_ssl && !m_handshakeDone;
    m_writeNotifier->setEnabled(false);
    flushOut();
    if (m_fd < 0)
        return;
    if (bytesToWrite() < before)
        Q_EMIT bytesWritten();
    else if (handshaking && m_handshakeDone)
        Q_EMIT readable(); // the handshake ended on a write: the requests may come now
}

void StreamSocket::closeAfterWrite() {
    if (m_fd < 0 || m_closeAfterWrite)
        return;
    m_closeAfterWrite = true;
    if (bytesToWrite() == 0)
        finishSending();
}

void StreamSocket::finishSending() {
    if (m_sendingDone)
        return;
    m_sendingDone = true;
    if (m_ssl && m_handshakeDone) {
        ERR_clear_error();
        SSL_shutdown(m_ssl); // close_notify, as far as the socket takes it now; the end follows anyway
        ERR_clear_error();
    }
    ::shutdown(m_fd, SHUT_WR);
    if (m_peerDone) {
        abort(); // both sides are done
        return;
    }
    m_readNotifier->setEnabled(true);
}

void StreamSocket::abort() {
    if (m_fd < 0)
        return;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    if (m_ssl)
        SSL_free(m_ssl);
    m_ssl = nullptr;
    ::close(m_fd);
    m_fd = -1;
    m_out.clear();
    m_outPos = 0;
    Q_EMIT closed();
}

} // namespace logd
