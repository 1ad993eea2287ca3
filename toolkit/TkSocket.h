// One non-blocking TCP connection with a bounded line reader, in clear or, once startTls succeeded,
// through TLS.
#pragma once

#include "toolkit/TkResolve.h"
#include "toolkit/TkTls.h"
#include "toolkit/TkWait.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace mirabo {

// Longest line accepted from the network (the line feed not counted).
constexpr std::size_t kMaxLineBytes = 4u * 1024u * 1024u;

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Tries the addresses in order. Ok, Refused (every address refused), Timeout, Cancelled or Error.
    Io connectTo(const std::vector<SocketAddress>& addresses, Deadline deadline);
    // Takes over a descriptor that is connected already (tests and the fuzz targets use a socket pair).
    void adopt(int fd);
    // True when the peer's address is this machine's loopback (127.0.0.0/8, ::1, or IPv4 on it mapped).
    bool peerIsLoopback() const;

    // Turns the connection into a TLS one: the handshake runs now, and from then on every byte goes
    // through TLS. Bytes received in clear and not yet taken make it fail (they would be read as if they
    // had come protected). Ok, Timeout, Cancelled, Closed or Error (`tlsError` says why).
    Io startTls(const TlsSetup& setup, Deadline deadline, QString* tlsError, bool* caUnusable);
    bool secure() const { return m_tls != nullptr; }
    // The station's key as the handshake presented it (TLS only).
    PeerKey peerKey() const { return m_tls ? m_tls->peerKey() : PeerKey(); }
    QString tlsDescription() const { return m_tls ? m_tls->description() : QString(); }
    // Sends every byte (never raises SIGPIPE). Ok, Closed, Timeout, Cancelled or Error.
    Io sendAll(const std::string& data, Deadline deadline);
    // Reads one line ending in LF (returned without it; a CR before it stays). Ok, Closed, TooLong,
    // Timeout, Cancelled or Error. The receive buffer never grows past `maxBytes` plus one read.
    Io readLine(std::string* line, std::size_t maxBytes, Deadline deadline);

    // Bytes received but not yet returned by readLine.
    bool hasBuffered() const { return !m_buffer.empty(); }
    // Without waiting: true when the peer has closed, reset, or sent something unasked.
    bool peerStirred();

    // Makes every wait of this socket (also one running on another thread) end with Cancelled.
    void abort() { m_abort.store(1); }
    const std::atomic<int32_t>* abortWord() const { return &m_abort; }

private:
    void closeFd();

    // One more chunk of input appended to m_buffer. Ok, Closed, Timeout, Cancelled or Error.
    Io receive(Deadline deadline);

    int m_fd = -1;
    std::unique_ptr<TlsChannel> m_tls; // before the descriptor closes, so that it goes first
    std::string m_buffer;
    std::size_t m_scanned = 0; // bytes of m_buffer known to hold no line feed
    std::atomic<int32_t> m_abort{0};
};

} // namespace mirabo
