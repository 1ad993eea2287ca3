// The toolkit's process-wide state: the client id, the table of open links with the activation order,
// the logon token and credentials, the endpoint of the last logon check and the last handed-out seq.
// One mutex guards it, held only to copy or replace values, never across network waits.
#pragma once

#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkConnect.h"
#include "toolkit/TkLink.h"

#include <QString>

#include <memory>
#include <vector>

namespace mirabo {

struct Credentials {
    bool held = false;
    QString user;
    QString password;
    bool interactive = true;
};

// Made once per process: 32 random hexadecimal digits.
QString clientId();
// The executable's file name, sent in hello.
QString programName();

// Links. Handles are numbers that are never reused, so a stale handle cannot reach a newer link.
MiraboLink addLink(std::shared_ptr<Link> link);
std::shared_ptr<Link> findLink(MiraboLink handle);
// Removes the link from the table (and from the activation order); returns it so that the caller
// drops the last reference outside the lock.
std::shared_ptr<Link> removeLink(MiraboLink handle);
// Removes every link that is lost and returns them.
std::vector<std::shared_ptr<Link>> removeLostLinks();
void activateLink(MiraboLink handle);
// The most recently activated link that is still open, or nullptr.
std::shared_ptr<Link> activeLink();

QString heldToken();
void setHeldToken(const QString& token);
Credentials heldCredentials();
void setLogon(const QString& token, const Credentials& credentials);

void rememberLogonEndpoint(const Endpoint& endpoint);
bool logonEndpoint(Endpoint* endpoint);

// The seq of the last log text handed to a caller, with the epoch of the service state that numbered it.
struct ReadMark {
    int64_t seq = 0;
    QString epoch;
};
ReadMark lastRead();
void setLastRead(const ReadMark& mark);

// For tests: closes every link and forgets the token, the credentials, the logon endpoint, the read
// mark and the trust settings, as in a process that has just started. The client id stays, and handles
// still count up, so a handle from before the reset reaches nothing.
void resetStateForTest();

} // namespace mirabo
