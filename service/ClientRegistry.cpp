#include "service/ClientRegistry.h"

#include "service/Service.h"

#include <QDateTime>

namespace logd {

ClientRegistry::ClientRegistry(int lingerMs, int maxClients, qsizetype queueCapacity, QObject* parent)
    : QObject(parent), m_lingerMs(lingerMs), m_maxClients(maxClients), m_queueCapacity(queueCapacity) {}

ClientState* ClientRegistry::attach(const QString& id) {
    auto it = m_clients.find(id);
    if (it == m_clients.end()) {
        if (m_clients.size() >= m_maxClients && !evictOldestIdle())
            return nullptr;
        auto state = std::make_shared<ClientState>(id, m_queueCapacity);
        // Queued: the state (and its timer) must not be destroyed inside the timer's own signal.
        connect(&state->linger, &QTimer::timeout, this, [this, id] { drop(id); }, Qt::QueuedConnection);
        it = m_clients.insert(id, std::move(state));
    }
    ClientState* state = it->get();
    ++state->links;
    state->linger.stop();
    return state;
}

void ClientRegistry::detach(ClientState* state) {
    if (!state || state->links <= 0)
        return;
    if (--state->links == 0) {
        state->lastClosedMs = QDateTime::currentMSecsSinceEpoch();
        state->linger.start(m_lingerMs);
    }
}

void ClientRegistry::forEach(const std::function<void(ClientState&)>& fn) {
    for (auto& state : m_clients)
        fn(*state);
}

void ClientRegistry::drop(const QString& id) {
    auto it = m_clients.find(id);
    if (it != m_clients.end() && (*it)->links == 0 && !(*it)->linger.isActive()) {
        Service::log(QStringLiteral("client %1: state dropped").arg(Service::shortId(id)));
        m_clients.erase(it);
    }
}

bool ClientRegistry::evictOldestIdle() {
    auto oldest = m_clients.end();
    for (auto it = m_clients.begin(); it != m_clients.end(); ++it) {
        if ((*it)->links == 0 && (oldest == m_clients.end() || (*it)->lastClosedMs < (*oldest)->lastClosedMs))
            oldest = it;
    }
    if (oldest == m_clients.end())
        return false;
    Service::log(QStringLiteral("client %1: state dropped to make room").arg(Service::shortId(oldest.key())));
    m_clients.erase(oldest);
    return true;
}

} // namespace logd
