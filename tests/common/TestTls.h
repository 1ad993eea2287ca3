// TLS pieces for tests: certificates made to order (self-signed, or a CA and what it signs, with the
// names and validity a case needs), the server side of a handshake on a descriptor, for stations a test
// plays itself, and an address of this machine other than 127.0.0.1.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

struct TestKeyPair {
    QString certPath;
    QString keyPath;
    QString fingerprint; // of the public key, as the toolkit and mirabo-logd write it
};

// Makes a key and a certificate in `folder` (files `name`-cert.pem and `name`-key.pem). `names` go into
// the subject alternative names ("DNS:x", "IP:1.2.3.4"); the validity runs from `fromDays` to `toDays`
// relative to now. Signed by `issuer` when given (which must be a CA made here), else by itself.
TestKeyPair MakeTestCertificate(const QString& folder, const QString& name, const QStringList& names, int fromDays,
                                int toDays, const TestKeyPair* issuer = nullptr, bool ca = false);

// The server side of TLS on a connected, blocking descriptor, as a station a test plays presents it.
class TestTlsServer {
public:
    TestTlsServer(int fd, const TestKeyPair& pair);
    ~TestTlsServer();
    // The handshake, within `timeoutMs`; false when it did not complete.
    bool accept(int timeoutMs);
    // Everything the peer sends until it closes or `timeoutMs` passes without a byte.
    std::string readUntilClosed(int timeoutMs);
    bool write(const std::string& bytes);

private:
    ssl_ctx_st* m_ctx = nullptr;
    ssl_st* m_ssl = nullptr;
};

// The first IPv4 address of this machine that is not on the loopback, else 127.0.0.2 (which is loopback
// too, but not the address a service listening on 127.0.0.1 answers).
QString OtherAddressOfThisMachine();
