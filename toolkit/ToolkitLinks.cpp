// Toolkit operations that open, watch and close links, and the logon check.
#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkHello.h"
#include "toolkit/TkLimits.h"
#include "toolkit/TkNegotiate.h"
#include "toolkit/TkState.h"
#include "toolkit/TkTrust.h"

using namespace mirabo;

namespace {

// Connects, asks whether the station speaks TLS and wraps the socket in a link when the station may be
// spoken to; MIRABO_OK or the LinkOpen result code. `clearFallback` as in Negotiation.
int32_t connectLink(const Endpoint& endpoint, Deadline deadline, bool ask, std::shared_ptr<Link>* link,
                    bool* clearFallback = nullptr) {
    auto socket = std::make_unique<Socket>();
    int32_t code = connectEndpoint(endpoint, deadline, socket.get());
    if (code != MIRABO_OK)
        return code;
    const Negotiation n = negotiate(*socket, endpoint, deadline, ask);
    if (clearFallback)
        *clearFallback = n.clearFallback;
    if (n.code != MIRABO_OK)
        return n.code;
    *link = std::make_shared<Link>(std::move(socket));
    return MIRABO_OK;
}

// A connection with its hello answered. A station that speaks clear may end the connection at the TLS
// question, or when the hello follows it (a protocol-1 service that wants hello first): it gets one more
// connection, without the question.
int32_t openWithHello(const Endpoint& endpoint, Deadline deadline, const QString& token, std::shared_ptr<Link>* link,
                      HelloResult* hello) {
    bool clearFallback = false;
    int32_t code = connectLink(endpoint, deadline, true, link, &clearFallback);
    if (code == MIRABO_OK) {
        *hello = sayHello(**link, endpoint, token, deadline);
        if (!(hello->endedByPeer && clearFallback))
            return hello->code;
    } else if (!clearFallback) {
        return code;
    }
    link->reset();
    code = connectLink(endpoint, deadline, false, link);
    if (code != MIRABO_OK)
        return code;
    *hello = sayHello(**link, endpoint, token, deadline);
    return hello->code;
}

MiraboStationKey keyFacts(const Endpoint& endpoint) {
    MiraboStationKey facts;
    facts.host = endpoint.host;
    facts.port = endpoint.port;
    return facts;
}

} // namespace

int32_t ToolkitInit() {
    enterThread();
    clientId();
    programName();
    return MIRABO_OK;
}

void ToolkitExit() { leaveThread(); }

void ToolkitSetCancelWord(const std::atomic<int32_t>* word) { setThreadCancelWord(word); }

void ToolkitSetTrust(const MiraboTrust& trust) { setTrustSettings(trust); }

int32_t LinkCheckStation(const MiraboEndpoint& endpoint, MiraboStationKey* key) {
    if (key)
        *key = keyFacts(endpoint);
    const Deadline deadline = deadlineIn(logonCheckTimeoutMs());
    Socket socket;
    const int32_t code = connectEndpoint(endpoint, deadline, &socket);
    if (code != MIRABO_OK)
        return code;
    Negotiation n = negotiate(socket, endpoint, deadline, true);
    if (n.code != MIRABO_OK && n.clearFallback) {
        // Ended at the question: a station that speaks clear and wants its hello first.
        n = negotiate(socket, endpoint, deadline, false);
    }
    if (key && n.facts.verdict != base::KeyVerdict::None)
        *key = n.facts;
    return n.code;
}

int32_t LinkTrustStation(const MiraboEndpoint& endpoint, const QString& fingerprint, QString* error) {
    const std::optional<QString> normal = base::NormalizeFingerprint(fingerprint);
    QString why;
    if (!normal) {
        why = QStringLiteral("not a SHA-256 fingerprint: %1").arg(fingerprint);
    } else if (rememberStation(endpoint.host, endpoint.port, KnownStation{KnownStation::Tls, *normal}, &why)) {
        return MIRABO_OK;
    }
    if (error)
        *error = why;
    return MIRABO_E_FAIL;
}

int32_t LinkNoteClearStation(const MiraboEndpoint& endpoint, QString* error) {
    QString why;
    if (rememberStation(endpoint.host, endpoint.port, KnownStation{KnownStation::ClearTold, QString()}, &why))
        return MIRABO_OK;
    if (error)
        *error = why;
    return MIRABO_E_FAIL;
}

int32_t LinkClearStationNoted(const MiraboEndpoint& endpoint) {
    return knownStation(endpoint.host, endpoint.port).kind == KnownStation::ClearTold ? 1 : 0;
}

int32_t LinkStationRefusal(const MiraboEndpoint& endpoint, MiraboStationKey* key) {
    const std::optional<MiraboStationKey> facts = lastFacts(endpoint.host, endpoint.port);
    if (!facts || !base::IsRefusal(facts->verdict))
        return 0;
    if (key)
        *key = *facts;
    return 1;
}

int32_t LinkOpen(const QString& host, int32_t port, const QString& proxyHost, int32_t proxyPort, const QString& wtg,
                 int32_t pollingInterval, MiraboLink* link) {
    return LinkOpen(MiraboEndpoint{host, port, proxyHost, proxyPort, wtg, pollingInterval}, link);
}

int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) {
    if (link)
        *link = nullptr;
    const Deadline deadline = deadlineIn(openTimeoutMs());
    std::shared_ptr<Link> opened;
    HelloResult hello;
    int32_t code = openWithHello(endpoint, deadline, heldToken(), &opened, &hello);
    if (code != MIRABO_OK)
        return code;
    if (!hello.access && hello.logonRequired) {
        // A restarted service no longer knows our token: log on again with the accepted credentials.
        const Credentials credentials = heldCredentials();
        if (credentials.held) {
            QString token;
            code = sendLogon(*opened, credentials.user, credentials.password, credentials.interactive, deadline, &token);
            if (code == MIRABO_OK) {
                setHeldToken(token);
                // The accepted logon says nothing about the user's right to read the log: ask again with
                // the new token, and take the connection's access from that answer.
                hello = sayHello(*opened, endpoint, token, deadline);
                if (hello.code != MIRABO_OK)
                    return hello.code;
            } else if (code != MIRABO_E_ACCESSDENIED) {
                return code;
            }
        }
    }
    if (!hello.access)
        return MIRABO_E_ABORT;
    if (!link)
        return MIRABO_E_FAIL;
    opened->setEpoch(hello.epoch);
    *link = addLink(std::move(opened));
    return MIRABO_OK;
}

int32_t LinkLogonRequired(const QString& host, int32_t port, const QString& proxyHost, int32_t proxyPort,
                          const QString& wtg, int32_t pollingInterval, int32_t* reserved) {
    if (reserved)
        *reserved = 0;
    return LinkLogonRequired(MiraboEndpoint{host, port, proxyHost, proxyPort, wtg, pollingInterval});
}

int32_t LinkLogonRequired(const MiraboEndpoint& endpoint) {
    rememberLogonEndpoint(endpoint);
    const Deadline deadline = deadlineIn(logonCheckTimeoutMs());
    std::shared_ptr<Link> link;
    HelloResult hello;
    if (openWithHello(endpoint, deadline, QString(), &link, &hello) != MIRABO_OK)
        return 0; // the connection attempt that follows reports why
    return hello.logonRequired ? 1 : 0;
}

int32_t LinkLogon(const QString& user, const QString& password, int32_t fromCommandLine) {
    Endpoint endpoint;
    if (!logonEndpoint(&endpoint))
        return MIRABO_E_FAIL;
    const Deadline deadline = deadlineIn(kDefaultTimeoutMs);
    std::shared_ptr<Link> link;
    HelloResult hello;
    int32_t code = openWithHello(endpoint, deadline, QString(), &link, &hello);
    if (code != MIRABO_OK)
        return code; // a refused station never sees the password
    Credentials credentials;
    credentials.held = true;
    credentials.user = user;
    credentials.password = password;
    credentials.interactive = fromCommandLine == 0;
    QString token;
    code = sendLogon(*link, user, password, credentials.interactive, deadline, &token);
    if (code == MIRABO_OK)
        setLogon(token, credentials);
    return code;
}

void LinkSetTimeout(MiraboLink link, int32_t milliseconds) {
    if (auto l = findLink(link))
        l->setTimeout(milliseconds);
}

void LinkActivate(MiraboLink link) { activateLink(link); }

int32_t LinkIsLost(MiraboLink link) {
    auto l = findLink(link);
    return !l || l->isLost() ? 1 : 0;
}

void LinkClose(MiraboLink link) {
    if (auto l = removeLink(link))
        l->abort(); // a request still running on another thread ends within one wait slice
}

void LinkReset() {
    for (const auto& l : removeLostLinks())
        l->abort();
}
