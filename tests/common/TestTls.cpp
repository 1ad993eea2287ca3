#include "TestTls.h"

#include "base/StationKey.h"

#include <QFile>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cstdio>

namespace {

void AddExtension(X509* cert, X509* issuer, int nid, const QByteArray& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.constData());
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

EVP_PKEY* ReadKey(const QString& path) {
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    EVP_PKEY* key = f ? PEM_read_PrivateKey(f, nullptr, nullptr, nullptr) : nullptr;
    if (f)
        std::fclose(f);
    return key;
}

X509* ReadCert(const QString& path) {
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    X509* cert = f ? PEM_read_X509(f, nullptr, nullptr, nullptr) : nullptr;
    if (f)
        std::fclose(f);
    return cert;
}

QString KeyFingerprint(X509* cert) {
    unsigned char* der = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(der, size_t(length), digest, &size, EVP_sha256(), nullptr);
    OPENSSL_free(der);
    return base::FormatFingerprint(QByteArray(reinterpret_cast<const char*>(digest), int(size)));
}

} // namespace

TestKeyPair MakeTestCertificate(const QString& folder, const QString& name, const QStringList& names, int fromDays,
                                int toDays, const TestKeyPair* issuer, bool ca) {
    TestKeyPair pair{folder + u'/' + name + QStringLiteral("-cert.pem"), folder + u'/' + name + QStringLiteral("-key.pem"),
                     QString()};
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    static long serial = 1000;
    ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), long(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), long(toDays) * 86400);
    const QByteArray cn = name.toUtf8();
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(cn.constData()), -1, -1, 0);
    X509_set_pubkey(cert, key);
    X509* issuerCert = issuer ? ReadCert(issuer->certPath) : cert;
    EVP_PKEY* signer = issuer ? ReadKey(issuer->keyPath) : key;
    X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
    AddExtension(cert, issuerCert, NID_basic_constraints, ca ? "critical,CA:TRUE" : "critical,CA:FALSE");
    if (!names.isEmpty())
        AddExtension(cert, issuerCert, NID_subject_alt_name, names.join(u',').toLatin1());
    AddExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
    X509_sign(cert, signer, EVP_sha256());
    std::FILE* c = std::fopen(QFile::encodeName(pair.certPath).constData(), "wb");
    PEM_write_X509(c, cert);
    std::fclose(c);
    std::FILE* k = std::fopen(QFile::encodeName(pair.keyPath).constData(), "wb");
    PEM_write_PrivateKey(k, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(k);
    pair.fingerprint = KeyFingerprint(cert);
    if (issuer) {
        X509_free(issuerCert);
        EVP_PKEY_free(signer);
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return pair;
}

TestTlsServer::TestTlsServer(int fd, const TestKeyPair& pair) {
    m_ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_use_certificate_chain_file(m_ctx, QFile::encodeName(pair.certPath).constData());
    SSL_CTX_use_PrivateKey_file(m_ctx, QFile::encodeName(pair.keyPath).constData(), SSL_FILETYPE_PEM);
    SSL_CTX_set_num_tickets(m_ctx, 0);
    SSL_CTX_set_options(m_ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    m_ssl = SSL_new(m_ctx);
    SSL_set_fd(m_ssl, fd);
}

TestTlsServer::~TestTlsServer() {
    SSL_free(m_ssl);
    SSL_CTX_free(m_ctx);
}

namespace {
void SetReceiveTimeout(SSL* ssl, int timeoutMs) {
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(SSL_get_fd(ssl), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}
} // namespace

bool TestTlsServer::accept(int timeoutMs) {
    SetReceiveTimeout(m_ssl, timeoutMs);
    ERR_clear_error();
    return SSL_accept(m_ssl) == 1;
}

std::string TestTlsServer::readUntilClosed(int timeoutMs) {
    SetReceiveTimeout(m_ssl, timeoutMs);
    std::string all;
    char chunk[4096];
    for (;;) {
        std::size_t n = 0;
        ERR_clear_error();
        if (SSL_read_ex(m_ssl, chunk, sizeof chunk, &n) != 1)
            return all;
        all.append(chunk, n);
    }
}

bool TestTlsServer::write(const std::string& bytes) {
    std::size_t n = 0;
    return SSL_write_ex(m_ssl, bytes.data(), bytes.size(), &n) == 1 && n == bytes.size();
}

QString OtherAddressOfThisMachine() {
    ifaddrs* list = nullptr;
    QString found;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a && found.isEmpty(); a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
                continue;
            const in_addr address = reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr;
            if ((ntohl(address.s_addr) >> 24) == 127)
                continue;
            char text[INET_ADDRSTRLEN];
            ::inet_ntop(AF_INET, &address, text, sizeof text);
            found = QString::fromLatin1(text);
        }
        ::freeifaddrs(list);
    }
    return found.isEmpty() ? QStringLiteral("127.0.0.2") : found;
}
