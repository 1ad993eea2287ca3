#include "toolkit/TkTls.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>

namespace mirabo {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

// The descriptor BIO of the TLS library writes with write(2), which raises SIGPIPE on a vanished peer;
// the toolkit promises never to raise it, so its BIO sends with MSG_NOSIGNAL.
int fdOf(BIO* bio) { return static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio))); }

int bioWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    for (;;) {
        const ssize_t n = ::send(fdOf(bio), data, static_cast<size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_write(bio);
        return -1;
    }
}

int bioRead(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    for (;;) {
        const ssize_t n = ::recv(fdOf(bio), data, static_cast<size_t>(size), MSG_DONTWAIT);
        if (n >= 0)
            return static_cast<int>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            BIO_set_retry_read(bio);
        return -1;
    }
}

long bioCtrl(BIO*, int cmd, long, void*) { return cmd == BIO_CTRL_FLUSH ? 1 : 0; }

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* fdMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "mirabo socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioCtrl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

QString libraryError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return QString();
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return QString::fromLatin1(text);
}

QDateTime toDateTime(const ASN1_TIME* time) {
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return QDateTime();
    return QDateTime(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), QTime(tm.tm_hour, tm.tm_min, tm.tm_sec),
                     Qt::UTC);
}

bool isIpLiteral(const QString& host) {
    const QByteArray h = host.toLatin1();
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, h.constData(), buffer) == 1 || ::inet_pton(AF_INET6, h.constData(), buffer) == 1;
}

} // namespace

TlsChannel::~TlsChannel() {
    if (m_ssl)
        SSL_free(m_ssl);
    if (m_ctx)
        SSL_CTX_free(m_ctx);
}

std::unique_ptr<TlsChannel> TlsChannel::make(int fd, const TlsSetup& setup, QString* error, bool* caUnusable) {
    *caUnusable = false;
    std::unique_ptr<TlsChannel> channel(new TlsChannel);
    channel->m_fd = fd;
    ERR_clear_error();
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    channel->m_ctx = ctx;
    if (!ctx) {
        *error = libraryError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    // A station that closes without a close_notify simply ends the stream, as over plain TCP.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    // The handshake always completes; whether the station is trusted is decided afterwards, from its key
    // (or the CA's verdict), before a single byte of the protocol is sent.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    if (!setup.caFile.isEmpty() &&
        SSL_CTX_load_verify_locations(ctx, QFile::encodeName(setup.caFile).constData(), nullptr) != 1) {
        *error = libraryError();
        *caUnusable = true;
        return nullptr;
    }
    SSL* ssl = SSL_new(ctx);
    channel->m_ssl = ssl;
    if (!ssl) {
        *error = libraryError();
        return nullptr;
    }
    SSL_set_connect_state(ssl);
    SSL_set_mode(ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    QString name = setup.host.isEmpty() ? QStringLiteral("localhost") : setup.host;
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2); // an IPv6 address as typed in a switch
    const QByteArray nameBytes = name.toUtf8();
    const bool ip = isIpLiteral(name);
    if (!ip)
        SSL_set_tlsext_host_name(ssl, nameBytes.constData());
    if (!setup.caFile.isEmpty()) {
        if (ip)
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), nameBytes.constData());
        else
            SSL_set1_host(ssl, nameBytes.constData());
    }
    BIO* bio = BIO_new(fdMethod());
    if (!bio) {
        *error = libraryError();
        return nullptr;
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    SSL_set_bio(ssl, bio, bio);
    return channel;
}

Io TlsChannel::settle(int result, Deadline deadline, const std::atomic<int32_t>* abortWord) {
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return waitFd(m_fd, POLLIN, deadline, abortWord);
    case SSL_ERROR_WANT_WRITE:
        return waitFd(m_fd, POLLOUT, deadline, abortWord);
    case SSL_ERROR_ZERO_RETURN:
        return Io::Closed;
    case SSL_ERROR_SYSCALL:
        m_error = libraryError();
        if (m_error.isEmpty() && errno != 0 && errno != ECONNRESET && errno != EPIPE)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
        return m_error.isEmpty() ? Io::Closed : Io::Error;
    default:
        m_error = libraryError();
        if (m_error.isEmpty())
            m_error = QStringLiteral("TLS failure");
        return Io::Error;
    }
}

Io TlsChannel::handshake(Deadline deadline, const std::atomic<int32_t>* abortWord) {
    for (;;) {
        if (stopRequested(abortWord))
            return Io::Cancelled;
        ERR_clear_error();
        errno = 0;
        const int r = SSL_do_handshake(m_ssl);
        if (r == 1)
            return Io::Ok;
        const Io io = settle(r, deadline, abortWord);
        if (io != Io::Ok)
            return io;
    }
}

PeerKey TlsChannel::peerKey() const {
    PeerKey key;
    X509* cert = SSL_get1_peer_certificate(m_ssl);
    if (!cert)
        return key;
    unsigned char* der = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    if (length > 0) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int digestLength = 0;
        if (EVP_Digest(der, static_cast<size_t>(length), digest, &digestLength, EVP_sha256(), nullptr) == 1)
            key.keyDigest = QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(digestLength));
    }
    OPENSSL_free(der);
    key.notBefore = toDateTime(X509_get0_notBefore(cert));
    key.notAfter = toDateTime(X509_get0_notAfter(cert));
    key.validNow = X509_cmp_current_time(X509_get0_notBefore(cert)) < 0 &&
                   X509_cmp_current_time(X509_get0_notAfter(cert)) > 0;
    key.verifyResult = SSL_get_verify_result(m_ssl);
    key.verifyText = QString::fromLatin1(X509_verify_cert_error_string(key.verifyResult));
    key.wrongName = key.verifyResult == X509_V_ERR_HOSTNAME_MISMATCH || key.verifyResult == X509_V_ERR_IP_ADDRESS_MISMATCH;
    X509_free(cert);
    return key;
}

Io TlsChannel::readSome(std::string* buffer, Deadline deadline, const std::atomic<int32_t>* abortWord) {
    for (;;) {
        if (stopRequested(abortWord))
            return Io::Cancelled;
        char chunk[kReadChunk];
        std::size_t n = 0;
        ERR_clear_error();
        errno = 0;
        const int r = SSL_read_ex(m_ssl, chunk, sizeof chunk, &n);
        if (r == 1) {
            buffer->append(chunk, n);
            return Io::Ok;
        }
        const Io io = settle(r, deadline, abortWord);
        if (io != Io::Ok)
            return io;
    }
}

Io TlsChannel::writeAll(const std::string& data, Deadline deadline, const std::atomic<int32_t>* abortWord) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        if (stopRequested(abortWord))
            return Io::Cancelled;
        std::size_t n = 0;
        ERR_clear_error();
        errno = 0;
        // After a retry the call is repeated with the same bytes, as the library demands.
        const int r = SSL_write_ex(m_ssl, data.data() + sent, data.size() - sent, &n);
        if (r == 1) {
            sent += n;
            continue;
        }
        const Io io = settle(r, deadline, abortWord);
        if (io != Io::Ok)
            return io;
    }
    return Io::Ok;
}

bool TlsChannel::stirred() {
    if (SSL_pending(m_ssl) > 0)
        return true;
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0)
        return false;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
        return true;
    char byte = 0;
    std::size_t n = 0;
    ERR_clear_error();
    const int r = SSL_peek_ex(m_ssl, &byte, 1, &n);
    if (r == 1)
        return true; // data nobody asked for
    const int e = SSL_get_error(m_ssl, r);
    ERR_clear_error();
    return e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE;
}

QString TlsChannel::description() const {
    return QString::fromLatin1(SSL_get_version(m_ssl)) + u' ' +
           QString::fromLatin1(SSL_CIPHER_get_name(SSL_get_current_cipher(m_ssl)));
}

} // namespace mirabo
