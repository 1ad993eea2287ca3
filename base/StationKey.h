// A station's key as every program names it: the SHA-256 fingerprint of the public key in the station's
// certificate, and what a program found out about that key when it tried to reach the station.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace base {

// "AB:CD:...": the 32 bytes of a SHA-256 digest as upper-case hexadecimal pairs joined by colons.
QString FormatFingerprint(const QByteArray& digest);
// A fingerprint as a person may type or paste it: hexadecimal in either case, with colons, blanks or
// nothing between the pairs, optionally after "SHA256:" or "sha256 Fingerprint=". The canonical form,
// or nothing when it does not hold exactly 32 bytes.
std::optional<QString> NormalizeFingerprint(const QString& typed);

// The station's identity in the list of known stations: the host as typed, in lower case and without
// a trailing dot ("localhost" for the local station's empty host), and the port.
QString StationKeyHost(const QString& host);

// What was found out about a station's key when a program reached it. Everything but Known and Clear
// means that nothing was sent to the station.
enum class KeyVerdict {
    None,              // nothing checked yet (no connection was made)
    Known,             // TLS, and the key is the one this user trusts (or the CA vouches for it)
    Clear,             // the station does not speak TLS, and nothing says it should
    Unknown,           // TLS with a key this user has not trusted yet
    Changed,           // TLS with another key than the one this user trusts
    ClearWhereTls,     // the station answered in clear, but it is known to speak TLS
    ClearWhereCa,      // the station answered in clear, but this installation trusts a CA and wants TLS
    NotValidNow,       // the certificate has expired or is not valid yet
    WrongName,         // CA mode: the certificate is not issued for the host that was dialled
    NotFromCa,         // CA mode: the certificate does not chain to the trusted CA
    CaUnusable,        // CA mode: the CA file cannot be read
    HandshakeFailed,   // the TLS handshake did not complete (the station's answer was not TLS, or bad)
};

// True for the verdicts that refuse the station.
bool IsRefusal(KeyVerdict verdict);

struct StationKeyFacts {
    KeyVerdict verdict = KeyVerdict::None;
    QString host;          // as typed (empty: the local station)
    int32_t port = 0;
    QString presented;     // the fingerprint the station presented (TLS only)
    QString known;         // the fingerprint this user trusts for it, if any
    QString listFile;      // the list of known stations consulted
    QString caFile;        // CA mode: the CA file
    QString settingsFile;  // CA mode: the file that names the CA file
    QDateTime notBefore;   // the certificate's validity (TLS only)
    QDateTime notAfter;
    QString detail;        // what the TLS library said, for HandshakeFailed, NotFromCa and CaUnusable
    bool loopback = false; // the connection went to this machine's loopback (never through a proxy)
};

} // namespace base
