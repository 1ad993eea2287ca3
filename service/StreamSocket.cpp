#include "service/StreamSocket.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
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
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray StreamSocket::read(qint64 max) {
    if (m_fd < 0 || m_peerDone || max <= 0)
        return QByteArray();
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
    if (m_fd >= 0)
        m_readNotifier->setEnabled(true);
}

void StreamSocket::onReadActivated() {
    if (!m_sendingDone) {
        m_readNotifier->setEnabled(false);
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

void StreamSocket::flushOut() {
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
    if (m_closeAfterWrite)
        finishSending();
}

void StreamSocket::onWriteActivated() {
    const qint64 before = bytesToWrite();
    flushOut();
    if (m_fd >= 0 && bytesToWrite() < before)
        Q_EMIT bytesWritten();
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
    ::close(m_fd);
    m_fd = -1;
    m_out.clear();
    m_outPos = 0;
    Q_EMIT closed();
}

} // namespace logd
