#include "toolkit/TkSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace mirabo {

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
}

Socket::~Socket() { closeFd(); }

void Socket::closeFd() {
    m_tls.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Socket::adopt(int fd) {
    closeFd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_fd = fd;
    m_buffer.clear();
    m_scanned = 0;
}

bool Socket::peerIsLoopback() const {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (m_fd < 0 || ::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return false;
    if (peer.ss_family == AF_INET) {
        const uint32_t a = ntohl(reinterpret_cast<const sockaddr_in*>(&peer)->sin_addr.s_addr);
        return (a >> 24) == 127;
    }
    if (peer.ss_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&a))
            return true;
        return IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127;
    }
    return false;
}

Io Socket::startTls(const TlsSetup& setup, Deadline deadline, QString* tlsError, bool* caUnusable) {
    *caUnusable = false;
    if (m_fd < 0 || m_tls)
        return Io::Error;
    if (!m_buffer.empty()) {
        *tlsError = QStringLiteral("bytes in clear before the handshake");
        return Io::Error;
    }
    std::unique_ptr<TlsChannel> tls = TlsChannel::make(m_fd, setup, tlsError, caUnusable);
    if (!tls)
        return Io::Error;
    const Io io = tls->handshake(deadline, &m_abort);
    if (io != Io::Ok) {
        *tlsError = tls->error();
        return io;
    }
    m_tls = std::move(tls);
    return Io::Ok;
}

Io Socket::receive(Deadline deadline) {
    if (m_tls)
        return m_tls->readSome(&m_buffer, deadline, &m_abort);
    for (;;) {
        if (stopRequested(&m_abort))
            return Io::Cancelled;
        char chunk[kReadChunk];
        const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (n > 0) {
            m_buffer.append(chunk, static_cast<std::size_t>(n));
            return Io::Ok;
        }
        if (n == 0)
            return Io::Closed;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return errno == ECONNRESET ? Io::Closed : Io::Error;
        const Io w = waitFd(m_fd, POLLIN, deadline, &m_abort);
        if (w != Io::Ok)
            return w;
    }
}

Io Socket::connectTo(const std::vector<SocketAddress>& addresses, Deadline deadline) {
    closeFd();
    Io failure = Io::Error;
    bool anyRefused = false, anyOther = false;
    for (const SocketAddress& a : addresses) {
        const int fd = ::socket(a.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            anyOther = true;
            continue;
        }
        int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&a.storage), a.length);
        int err = rc == 0 ? 0 : errno;
        if (rc != 0 && (err == EINPROGRESS || err == EINTR)) {
            const Io w = waitFd(fd, POLLOUT, deadline, &m_abort);
            if (w != Io::Ok) {
                ::close(fd);
                return w; // a time-out or a stop ends the whole attempt
            }
            socklen_t len = sizeof(err);
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                err = errno;
        }
        if (err == 0) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            m_fd = fd;
            m_buffer.clear();
            m_scanned = 0;
            return Io::Ok;
        }
        ::close(fd);
        if (err == ECONNREFUSED)
            anyRefused = true;
        else
            anyOther = true;
    }
    if (anyRefused && !anyOther)
        failure = Io::Refused;
    return failure;
}

Io Socket::sendAll(const std::string& data, Deadline deadline) {
    if (m_fd < 0)
        return Io::Error;
    if (m_tls)
        return m_tls->writeAll(data, deadline, &m_abort);
    std::size_t sent = 0;
    while (sent < data.size()) {
        if (stopRequested(&m_abort))
            return Io::Cancelled;
        const ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const Io w = waitFd(m_fd, POLLOUT, deadline, &m_abort);
            if (w != Io::Ok)
                return w;
            continue;
        }
        return (n < 0 && (errno == EPIPE || errno == ECONNRESET)) ? Io::Closed : Io::Error;
    }
    return Io::Ok;
}

Io Socket::readLine(std::string* line, std::size_t maxBytes, Deadline deadline) {
    if (m_fd < 0)
        return Io::Error;
    for (;;) {
        const std::size_t pos = m_buffer.find('\n', m_scanned);
        if (pos != std::string::npos) {
            if (pos > maxBytes)
                return Io::TooLong;
            line->assign(m_buffer, 0, pos);
            m_buffer.erase(0, pos + 1);
            m_scanned = 0;
            return Io::Ok;
        }
        m_scanned = m_buffer.size();
        if (m_buffer.size() > maxBytes)
            return Io::TooLong;
        const Io io = receive(deadline);
        if (io != Io::Ok)
            return io;
    }
}

bool Socket::peerStirred() {
    if (m_fd < 0)
        return true;
    if (m_tls)
        return m_tls->stirred();
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return true;
    char byte = 0;
    const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0)
        return errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    return true; // an unasked byte, or the end of the stream
}

} // namespace mirabo
