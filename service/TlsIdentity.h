// The service's TLS identity: its key and certificate, from the command line or made at the first start
// and kept in the project folder, and the TLS context every connection's session is made from.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

struct ssl_ctx_st;

namespace logd {

class TlsIdentity {
public:
    // The files made in the project folder when none are given.
    static constexpr const char* kKeyFile = "tls-key.pem";
    static constexpr const char* kCertFile = "tls-cert.pem";
    // A made certificate lasts this long; an expired one is made again from the same key at start, so the
    // fingerprint the clients trust stays.
    static constexpr int kValidDays = 3650;

    TlsIdentity() = default;
    ~TlsIdentity();
    TlsIdentity(const TlsIdentity&) = delete;
    TlsIdentity& operator=(const TlsIdentity&) = delete;

    // With `certFile` and `keyFile` empty: the pair in `projectDir`, made (key 0600) when missing, its
    // certificate made again when it expired. Otherwise the given pair (the certificate file may hold the
    // chain after it). `station` names the made certificate. False with `error`; `notes` tells what was made.
    bool load(const QString& projectDir, const QString& certFile, const QString& keyFile, const QString& station,
              QString* error, QStringList* notes);

    // SHA-256 of the certificate's public key, "AB:CD:..." (base::FormatFingerprint).
    const QString& fingerprint() const { return m_fingerprint; }
    const QDateTime& notAfter() const { return m_notAfter; }
    const QString& certPath() const { return m_certPath; }
    // The server context: TLS 1.2 or later, no session tickets (nothing to resume), no renegotiation.
    ssl_ctx_st* context() const { return m_ctx; }

private:
    ssl_ctx_st* m_ctx = nullptr;
    QString m_fingerprint;
    QDateTime m_notAfter;
    QString m_certPath;
};

} // namespace logd
