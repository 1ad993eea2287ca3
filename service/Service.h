// The running service's shared parts: the project, the client states, the logon tokens, and the way log
// messages reach the clients. Everything runs on the one event-loop thread.
#pragma once

#include "service/ClientRegistry.h"
#include "service/LogonGuard.h"
#include "service/Project.h"
#include "service/TokenStore.h"

#include <QObject>

#include <functional>

namespace logd {

struct ServiceOptions {
    int lingerMs = 60000;
    int maxClients = 1024;
    qsizetype queueCapacity = LogQueue::kDefaultCapacity;
    LogonPolicy logon;
};

class Service : public QObject {
    Q_OBJECT
public:
    Service(Project& project, const ServiceOptions& options, QObject* parent = nullptr);

    Project& project() { return m_project; }
    ClientRegistry& clients() { return m_clients; }
    TokenStore& tokens() { return m_tokens; }
    LogonGuard& logonGuard() { return m_logonGuard; }

    // Queues `text` for every client whose log output is on and, for a category 0-13, whose switch of
    // that category is on (category -1: log output alone decides).
    void broadcast(int category, const QString& text);
    // Like broadcast, but the text is made per client (empty: nothing for that client).
    void broadcastEach(int category, const std::function<QString(const ClientState&)>& make);
    // Queues value-change lines of the given tags for the clients that log them.
    void tagsChanged(const QList<int>& tagIds);

    // The service's own event log (standard error). Never pass a password or token here.
    static void log(const QString& text);
    // Turns the event log off (for a fuzzer, which runs millions of requests).
    static void setLogEnabled(bool enabled);
    // A client id as the event log shows it: its first 8 characters.
    static QString shortId(const QString& id);
    // Text a peer sent, fit for one line of the event log: at most `max` characters, control
    // characters shown as '?'.
    static QString printable(const QString& text, int max = 64);

private:
    Project& m_project;
    ClientRegistry m_clients;
    TokenStore m_tokens;
    LogonGuard m_logonGuard;
};

} // namespace logd
