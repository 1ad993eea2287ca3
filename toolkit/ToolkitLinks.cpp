// Toolkit operations that open, watch and close links, and the logon check.
#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkHello.h"
#include "toolkit/TkLimits.h"
#include "toolkit/TkState.h"

using namespace mirabo;

namespace {

// Connects and wraps the socket in a link; MIRABO_OK or the LinkOpen result code.
int32_t connectLink(const Endpoint& endpoint, Deadline deadline, std::shared_ptr<Link>* link) {
    auto socket = std::make_unique<Socket>();
    const int32_t code = connectEndpoint(endpoint, deadline, socket.get());
    if (code != MIRABO_OK)
        return code;
    *link = std::make_shared<Link>(std::move(socket));
    return MIRABO_OK;
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

int32_t LinkOpen(const QString& host, int32_t port, const QString& proxyHost, int32_t proxyPort, const QString& wtg,
                 int32_t pollingInterval, MiraboLink* link) {
    return LinkOpen(MiraboEndpoint{host, port, proxyHost, proxyPort, wtg, pollingInterval}, link);
}

int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link) {
    if (link)
        *link = nullptr;
    const Deadline deadline = deadlineIn(openTimeoutMs());
    std::shared_ptr<Link> opened;
    int32_t code = connectLink(endpoint, deadline, &opened);
    if (code != MIRABO_OK)
        return code;

    HelloResult hello = sayHello(*opened, endpoint, heldToken(), deadline);
    if (hello.code != MIRABO_OK)
        return hello.code;
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
    if (connectLink(endpoint, deadline, &link) != MIRABO_OK)
        return 0; // the connection attempt that follows reports why
    const HelloResult hello = sayHello(*link, endpoint, QString(), deadline);
    return hello.code == MIRABO_OK && hello.logonRequired ? 1 : 0;
}

int32_t LinkLogon(const QString& user, const QString& password, int32_t fromCommandLine) {
    Endpoint endpoint;
    if (!logonEndpoint(&endpoint))
        return MIRABO_E_FAIL;
    const Deadline deadline = deadlineIn(kDefaultTimeoutMs);
    std::shared_ptr<Link> link;
    int32_t code = connectLink(endpoint, deadline, &link);
    if (code != MIRABO_OK)
        return code;
    const HelloResult hello = sayHello(*link, endpoint, QString(), deadline);
    if (hello.code != MIRABO_OK)
        return hello.code;
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
