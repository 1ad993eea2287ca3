// Every client's state by client id. A state lives while the client has a link open and for the linger
// time after its last link closed; the number of states is bounded.
#pragma once

#include "service/ClientState.h"

#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

namespace logd {

class ClientRegistry : public QObject {
    Q_OBJECT
public:
    ClientRegistry(int lingerMs, int maxClients, qsizetype queueCapacity, QObject* parent = nullptr);

    // Returns the client's state with one more link, creating it when new; nullptr when the registry is
    // full of clients that all have links open.
    ClientState* attach(const QString& id);
    // One link of the client closed.
    void detach(ClientState* state);

    void forEach(const std::function<void(ClientState&)>& fn);
    int count() const { return static_cast<int>(m_clients.size()); }
    bool contains(const QString& id) const { return m_clients.contains(id); }

private:
    void drop(const QString& id);
    bool evictOldestIdle();

    QHash<QString, std::shared_ptr<ClientState>> m_clients;
    int m_lingerMs;
    int m_maxClients;
    qsizetype m_queueCapacity;
};

} // namespace logd
