#include "toolkit/TkNegotiate.h"

#include "toolkit/TkJson.h"
#include "toolkit/TkTrust.h"

namespace mirabo {

namespace {

// A station's answer to the question is one short line.
constexpr std::size_t kMaxAnswerLine = 8 * 1024;

// The outcome for a station that answered in clear.
int32_t clearOutcome(const KnownStation& known, const MiraboTrust& trust, Negotiation* n) {
    if (known.kind == KnownStation::Tls) {
        n->facts.verdict = base::KeyVerdict::ClearWhereTls;
        n->facts.known = known.fingerprint;
        return MIRABO_E_UNTRUSTED;
    }
    if (!trust.caFile.isEmpty()) {
        n->facts.verdict = base::KeyVerdict::ClearWhereCa;
        return MIRABO_E_UNTRUSTED;
    }
    n->facts.verdict = base::KeyVerdict::Clear;
    return MIRABO_OK;
}

// The outcome for a station whose handshake completed.
int32_t keyOutcome(const PeerKey& key, const KnownStation& known, const MiraboTrust& trust, Negotiation* n) {
    base::StationKeyFacts& f = n->facts;
    f.presented = base::FormatFingerprint(key.keyDigest);
    f.notBefore = key.notBefore;
    f.notAfter = key.notAfter;
    if (known.kind == KnownStation::Tls)
        f.known = known.fingerprint;
    if (key.keyDigest.isEmpty()) {
        f.verdict = base::KeyVerdict::HandshakeFailed;
        f.detail = QStringLiteral("the station presented no certificate");
        return MIRABO_E_UNTRUSTED;
    }
    if (!key.validNow) {
        f.verdict = base::KeyVerdict::NotValidNow;
        return MIRABO_E_UNTRUSTED;
    }
    if (!trust.caFile.isEmpty()) {
        if (key.verifyResult == 0) { // X509_V_OK
            f.verdict = base::KeyVerdict::Known;
            return MIRABO_OK;
        }
        f.verdict = key.wrongName ? base::KeyVerdict::WrongName : base::KeyVerdict::NotFromCa;
        f.detail = key.verifyText;
        return MIRABO_E_UNTRUSTED;
    }
    if (known.kind != KnownStation::Tls) {
        f.verdict = base::KeyVerdict::Unknown;
        return MIRABO_E_UNTRUSTED;
    }
    if (known.fingerprint != f.presented) {
        f.verdict = base::KeyVerdict::Changed;
        return MIRABO_E_UNTRUSTED;
    }
    f.verdict = base::KeyVerdict::Known;
    return MIRABO_OK;
}

Negotiation decide(Socket& socket, const Endpoint& endpoint, Deadline deadline, bool ask) {
    Negotiation n;
    const MiraboTrust trust = trustSettings();
    n.facts.host = endpoint.host;
    n.facts.port = endpoint.port;
    n.facts.listFile = trust.knownStationsFile;
    n.facts.caFile = trust.caFile;
    n.facts.settingsFile = trust.caSettingsFile;
    n.facts.loopback = !endpoint.viaProxy() && socket.peerIsLoopback();
    const KnownStation known = knownStation(endpoint.host, endpoint.port);
    const bool fallbackAllowed = known.kind != KnownStation::Tls && trust.caFile.isEmpty();
    if (!ask) {
        n.code = clearOutcome(known, trust, &n);
        return n;
    }

    Io io = socket.sendAll(tlsQuestion(), deadline);
    std::string line;
    if (io == Io::Ok)
        io = socket.readLine(&line, kMaxAnswerLine, deadline);
    if (io != Io::Ok) {
        n.code = resultCodeFor(io);
        n.clearFallback = fallbackAllowed && io == Io::Closed;
        return n;
    }
    const Answer answer = decodeAnswer(line, 0);
    // Nothing may follow the answer before the handshake: it would be taken as if it came protected.
    if (answer.kind == Answer::Malformed || socket.hasBuffered()) {
        n.code = MIRABO_E_FAIL;
        return n;
    }
    bool tls = false;
    if (answer.kind == Answer::Error || !boolField(answer.result, "tls", &tls) || !tls) {
        n.code = clearOutcome(known, trust, &n);
        n.clearFallback = n.code == MIRABO_OK;
        return n;
    }

    QString error;
    bool caUnusable = false;
    io = socket.startTls(TlsSetup{endpoint.host, trust.caFile}, deadline, &error, &caUnusable);
    if (io != Io::Ok) {
        n.code = io == Io::Error ? MIRABO_E_UNTRUSTED : resultCodeFor(io);
        if (io == Io::Error) {
            n.facts.verdict = caUnusable ? base::KeyVerdict::CaUnusable : base::KeyVerdict::HandshakeFailed;
            n.facts.detail = error;
        }
        return n;
    }
    n.code = keyOutcome(socket.peerKey(), known, trust, &n);
    return n;
}

} // namespace

const std::string& tlsQuestion() {
    static const std::string line = encodeRequest(0, "tls.start", QJsonObject());
    return line;
}

Negotiation negotiate(Socket& socket, const Endpoint& endpoint, Deadline deadline, bool ask) {
    Negotiation n = decide(socket, endpoint, deadline, ask);
    if (n.facts.verdict != base::KeyVerdict::None)
        recordFacts(n.facts);
    return n;
}

} // namespace mirabo
