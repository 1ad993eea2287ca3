// The client side of TLS on one connection: an OpenSSL session over the connection's descriptor, driven
// without ever blocking, so that every wait keeps to the toolkit's deadlines and stop words (TkWait.h).
#pragma once

#include "toolkit/TkWait.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

struct ssl_st;
struct ssl_ctx_st;

namespace mirabo {

// What the station presented in the handshake.
struct PeerKey {
    QByteArray keyDigest; // SHA-256 of the certificate's public key (SubjectPublicKeyInfo, DER)
    QDateTime notBefore;
    QDateTime notAfter;
    bool validNow = false;
    // CA mode only: the chain and name check's outcome (an X509_V_ERR_... code; 0 = passed) and its text.
    long verifyResult = 0;
    QString verifyText;
    bool wrongName = false; // the check failed on the name (or address) alone
};

struct TlsSetup {
    QString host;   // the station's host as dialled (SNI and, in CA mode, the name checked)
    QString caFile; // not empty: check the chain against it and the name against `host`
};

class TlsChannel {
public:
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // A session on the connected descriptor `fd` (not taken over). Nothing when the TLS library cannot
    // make one, or the CA file cannot be read (then `error` says why and `caUnusable` is set).
    static std::unique_ptr<TlsChannel> make(int fd, const TlsSetup& setup, QString* error, bool* caUnusable);

    // Runs the handshake. Ok, Timeout, Cancelled, Closed (the peer ended the stream) or Error (`error()`).
    Io handshake(Deadline deadline, const std::atomic<int32_t>* abortWord);
    PeerKey peerKey() const;

    // Appends what arrives (at least one byte on Ok). Ok, Closed, Timeout, Cancelled or Error.
    Io readSome(std::string* buffer, Deadline deadline, const std::atomic<int32_t>* abortWord);
    // Sends every byte. Ok, Closed, Timeout, Cancelled or Error.
    Io writeAll(const std::string& data, Deadline deadline, const std::atomic<int32_t>* abortWord);
    // Without waiting: true when the peer has closed or sent application data nobody asked for. Records
    // that carry no data are taken and do not count.
    bool stirred();

    const QString& error() const { return m_error; }
    // "TLSv1.3 TLS_AES_256_GCM_SHA384" once the handshake is done.
    QString description() const;

private:
    TlsChannel() = default;
    // Maps an OpenSSL result to a wait (Ok: try again) or an end.
    Io settle(int result, Deadline deadline, const std::atomic<int32_t>* abortWord);

    int m_fd = -1;
    ssl_ctx_st* m_ctx = nullptr;
    ssl_st* m_ssl = nullptr;
    QString m_error;
};

} // namespace mirabo
