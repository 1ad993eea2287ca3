// One accepted TCP connection on its own descriptor. Unlike QTcpSocket it keeps the sending side open
// after the peer has finished sending (a half-close), so answers to the last requests still go out.
// After startTls every byte goes through a TLS session on the same descriptor, driven by the same
// notifiers: the handshake runs as the bytes come, and reads and writes wait for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <memory>

struct ssl_st;
struct ssl_ctx_st;

namespace logd {

class StreamSocket : public QObject {
    Q_OBJECT
public:
    // Takes ownership of the connected descriptor `fd`.
    explicit StreamSocket(qintptr fd, QObject* parent = nullptr);
    ~StreamSocket() override;

    // "address:port" of the peer, and its address alone.
    const QString& peer() const { return m_peer; }
    const QString& address() const { return m_address; }
    bool isOpen() const { return m_fd >= 0; }

    // Takes up to `max` bytes that have arrived; empty when none is there yet. Sets atEnd() when the
    // peer has finished sending; a reset connection is closed (closed() is emitted).
    QByteArray read(qint64 max);
    bool atEnd() const { return m_peerDone; }
    // Emits readable() once when bytes (or the peer's end) arrive; read() to take them.
    void watchReadable();

    // Queues bytes; they are sent as the peer takes them.
    void write(const QByteArray& bytes);
    qint64 bytesToWrite() const { return m_out.size() - m_outPos; }

    // Sends what is queued, then ends the sending side and waits for the peer to close (what it still
    // sends is dropped); closed() follows. New writes are ignored from here on.
    void closeAfterWrite();
    // Closes at once, dropping what is queued; emits closed() when it was open.
    void abort();

    // Sends what is queued in clear, then speaks TLS as the server of `context` (which outlives the
    // socket). A handshake that fails closes the connection.
    void startTls(ssl_ctx_st* context);
    bool tlsStarted() const { return m_tlsContext != nullptr; }

Q_SIGNALS:
    void readable();
    void bytesWritten();
    void closed();

private:
    void onReadActivated();
    void onWriteActivated();
    void flushOut();
    void finishSending();
    QByteArray readTls(qint64 max);
    void flushTls();
    void beginTls();
    // Drives the handshake on; true once it is done.
    bool handshake();
    // What a TLS call that did not complete waits for; false when the connection is over.
    bool settleTls(int result, const char* what);

    int m_fd = -1;
    QString m_peer;
    QString m_address;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QByteArray m_out;
    qsizetype m_outPos = 0;
    bool m_peerDone = false;
    bool m_closeAfterWrite = false;
    bool m_sendingDone = false;
    ssl_ctx_st* m_tlsContext = nullptr; // set by startTls
    ssl_st* m_ssl = nullptr;            // made once the clear bytes before it are out
    bool m_handshakeDone = false;
    std::size_t m_tlsRetryLength = 0;   // a write that must be repeated with these many bytes
    bool m_tlsWantsRead = false;        // a write (or the handshake) waits for the peer's bytes
};

} // namespace logd
