// The start of every connection: hello, and logon when the service asks for one.
#pragma once

#include "toolkit/TkConnect.h"
#include "toolkit/TkLink.h"

namespace mirabo {

struct HelloResult {
    int32_t code = 0; // MIRABO_OK when the service answered hello with a usable result
    bool logonRequired = false;
    bool access = false;
    QString epoch; // empty when the service names none
    bool endedByPeer = false; // the connection ended before the answer came
};

// Sends hello with `token` and checks the answer (protocol 1, the expected fields).
HelloResult sayHello(Link& link, const Endpoint& endpoint, const QString& token, Deadline deadline);

// Sends logon. MIRABO_OK with the new token, E_ACCESSDENIED when the service refused the credentials,
// otherwise the code of the transport failure.
int32_t sendLogon(Link& link, const QString& user, const QString& password, bool interactive, Deadline deadline,
                  QString* token);

// Maps a failed exchange to a LinkOpen result code.
int32_t codeForReply(const Reply& reply);

} // namespace mirabo
