#include "service/TlsIdentity.h"

#include "base/StationKey.h"

#include <QFile>
#include <QHostInfo>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace logd {

namespace {

struct Free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
    void operator()(std::FILE* p) const { std::fclose(p); }
};
template <typename T> using Owned = std::unique_ptr<T, Free>;

QString libraryError() {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return code ? QString::fromLatin1(text) : QStringLiteral("unknown TLS library error");
}

QByteArray fileName(const QString& path) { return QFile::encodeName(path); }

Owned<std::FILE> openForReading(const QString& path, QString* error) {
    Owned<std::FILE> f(std::fopen(fileName(path).constData(), "rb"));
    if (!f)
        *error = QStringLiteral("cannot read %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return f;
}

// A new file only the owner may read and write (the key above all), never one that exists already.
Owned<std::FILE> createPrivate(const QString& path, QString* error) {
    const int fd = ::open(fileName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("cannot make %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    Owned<std::FILE> f(::fdopen(fd, "wb"));
    if (!f)
        ::close(fd);
    return f;
}

bool addExtension(X509* cert, X509V3_CTX* ctx, int nid, const char* value) {
    Owned<X509_EXTENSION> ext(X509V3_EXT_conf_nid(nullptr, ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

// A self-signed certificate for `key`, valid from now for kValidDays, naming the station and this
// machine's names.
Owned<X509> makeCertificate(EVP_PKEY* key, const QString& station) {
    Owned<X509> cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1)
        return nullptr;
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return nullptr;
    serial[0] &= 0x7f; // positive
    Owned<BIGNUM> number(BN_bin2bn(serial, sizeof serial, nullptr));
    if (!number || !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(cert.get())))
        return nullptr;
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600); // a station whose clock runs a little behind
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), long(TlsIdentity::kValidDays) * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(cert.get());
    const QByteArray cn = (QStringLiteral("mirabo-logd ") + station).left(64).toUtf8();
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.constData()),
                               -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    if (X509_set_pubkey(cert.get(), key) != 1)
        return nullptr;
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
    QByteArray names = "DNS:localhost,IP:127.0.0.1,IP:::1";
    const QByteArray host = QHostInfo::localHostName().toLower().toLatin1();
    if (!host.isEmpty() && host != "localhost" && !host.contains(','))
        names = "DNS:" + host + ',' + names;
    if (!addExtension(cert.get(), &ctx, NID_basic_constraints, "critical,CA:FALSE") ||
        !addExtension(cert.get(), &ctx, NID_key_usage, "critical,digitalSignature") ||
        !addExtension(cert.get(), &ctx, NID_ext_key_usage, "serverAuth") ||
        !addExtension(cert.get(), &ctx, NID_subject_alt_name, names.constData()) ||
        !addExtension(cert.get(), &ctx, NID_subject_key_identifier, "hash"))
        return nullptr;
    if (X509_sign(cert.get(), key, EVP_sha256()) <= 0)
        return nullptr;
    return cert;
}

bool writeCertificate(X509* cert, const QString& path, QString* error) {
    // Written beside, then renamed, so that a failed write never leaves half a certificate.
    const QString part = path + QStringLiteral(".new");
    QFile::remove(part);
    Owned<std::FILE> f = createPrivate(part, error);
    if (!f)
        return false;
    const bool written = PEM_write_X509(f.get(), cert) == 1 && std::fflush(f.get()) == 0;
    f.reset();
    if (!written || std::rename(fileName(part).constData(), fileName(path).constData()) != 0) {
        *error = QStringLiteral("cannot write %1").arg(path);
        QFile::remove(part);
        return false;
    }
    return true;
}

QString fingerprintOf(X509* cert) {
    unsigned char* der = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    const bool ok = length > 0 && EVP_Digest(der, size_t(length), digest, &digestLength, EVP_sha256(), nullptr) == 1;
    OPENSSL_free(der);
    return ok ? base::FormatFingerprint(QByteArray(reinterpret_cast<const char*>(digest), int(digestLength)))
              : QString();
}

QDateTime toDateTime(const ASN1_TIME* time) {
    std::tm tm{};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return QDateTime();
    return QDateTime(QDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday), QTime(tm.tm_hour, tm.tm_min, tm.tm_sec),
                     Qt::UTC);
}

// The pair in the project folder: made when the key is missing, the certificate made again from the
// key when it is missing or has expired.
bool ensureProjectPair(const QString& keyPath, const QString& certPath, const QString& station, QString* error,
                       QStringList* notes) {
    Owned<EVP_PKEY> key;
    if (!QFile::exists(keyPath)) {
        key.reset(EVP_EC_gen("P-256"));
        if (!key) {
            *error = libraryError();
            return false;
        }
        Owned<std::FILE> f = createPrivate(keyPath, error);
        if (!f)
            return false;
        if (PEM_write_PrivateKey(f.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
            std::fflush(f.get()) != 0) {
            *error = QStringLiteral("cannot write %1").arg(keyPath);
            return false;
        }
        notes->append(QStringLiteral("made a new key in %1").arg(keyPath));
        QFile::remove(certPath); // a certificate of another key is of no use
    } else {
        Owned<std::FILE> f = openForReading(keyPath, error);
        if (!f)
            return false;
        key.reset(PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr));
        if (!key) {
            *error = QStringLiteral("%1 holds no key: %2").arg(keyPath, libraryError());
            return false;
        }
    }
    if (QFile::exists(certPath)) {
        QString ignored;
        Owned<std::FILE> f = openForReading(certPath, &ignored);
        Owned<X509> cert(f ? PEM_read_X509(f.get(), nullptr, nullptr, nullptr) : nullptr);
        const bool usable = cert && X509_check_private_key(cert.get(), key.get()) == 1 &&
                            X509_cmp_current_time(X509_get0_notAfter(cert.get())) > 0;
        if (usable)
            return true;
        notes->append(QStringLiteral("the certificate in %1 has expired or does not fit the key: made again from the "
                                     "same key")
                          .arg(certPath));
    }
    Owned<X509> cert = makeCertificate(key.get(), station);
    if (!cert) {
        *error = QStringLiteral("cannot make a certificate: %1").arg(libraryError());
        return false;
    }
    return writeCertificate(cert.get(), certPath, error);
}

} // namespace

TlsIdentity::~TlsIdentity() {
    if (m_ctx)
        SSL_CTX_free(m_ctx);
}

bool TlsIdentity::load(const QString& projectDir, const QString& certFile, const QString& keyFile,
                       const QString& station, QString* error, QStringList* notes) {
    ERR_clear_error();
    QString certPath = certFile;
    QString keyPath = keyFile;
    if (certFile.isEmpty() && keyFile.isEmpty()) {
        certPath = projectDir + u'/' + QLatin1String(kCertFile);
        keyPath = projectDir + u'/' + QLatin1String(kKeyFile);
        if (!ensureProjectPair(keyPath, certPath, station, error, notes))
            return false;
    } else if (certFile.isEmpty() || keyFile.isEmpty()) {
        *error = QStringLiteral("--tls-cert and --tls-key go together");
        return false;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx) {
        *error = libraryError();
        return false;
    }
    if (m_ctx)
        SSL_CTX_free(m_ctx);
    m_ctx = ctx;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION | SSL_OP_CIPHER_SERVER_PREFERENCE);
    SSL_CTX_set_num_tickets(ctx, 0);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
    if (SSL_CTX_use_certificate_chain_file(ctx, fileName(certPath).constData()) != 1) {
        *error = QStringLiteral("cannot use the certificate %1: %2").arg(certPath, libraryError());
        return false;
    }
    if (SSL_CTX_use_PrivateKey_file(ctx, fileName(keyPath).constData(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(ctx) != 1) {
        *error = QStringLiteral("cannot use the key %1 with %2: %3").arg(keyPath, certPath, libraryError());
        return false;
    }
    X509* cert = SSL_CTX_get0_certificate(ctx);
    m_fingerprint = fingerprintOf(cert);
    m_notAfter = toDateTime(X509_get0_notAfter(cert));
    m_certPath = certPath;
    return !m_fingerprint.isEmpty();
}

} // namespace logd
