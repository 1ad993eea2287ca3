#include "service/Simulator.h"

#include "service/SimMessages.h"

namespace logd {

Simulator::Simulator(Service& service, int intervalMs, QObject* parent)
    : QObject(parent), m_service(service), m_intervalMs(intervalMs),
      m_rng(QRandomGenerator::system()->generate()) {
    for (int c = 0; c < kSwitchCount; ++c) {
        QTimer& t = m_categoryTimers[static_cast<size_t>(c)];
        t.setSingleShot(true);
        connect(&t, &QTimer::timeout, this, [this, c] {
            fireCategory(c);
            scheduleCategory(c);
        });
    }
    connect(&m_tagTimer, &QTimer::timeout, this, &Simulator::stepTags);
}

void Simulator::start() {
    if (m_intervalMs <= 0)
        return;
    for (int c = 0; c < kSwitchCount; ++c)
        scheduleCategory(c);
    m_tagTimer.start(m_intervalMs);
}

void Simulator::scheduleCategory(int category) {
    // Between half and one and a half times the interval.
    const int jitter = static_cast<int>(m_rng.bounded(static_cast<quint32>(m_intervalMs) + 1));
    m_categoryTimers[static_cast<size_t>(category)].start(m_intervalMs / 2 + jitter);
}

void Simulator::fireCategory(int category) {
    const TagTable& tags = m_service.project().tags();
    if (category >= kOpcFirstKind) {
        m_service.broadcastEach(category, [&](const ClientState& client) {
            return simulatedOpcMessage(category, client, tags, m_rng);
        });
        return;
    }
    m_service.broadcast(category, simulatedMessage(category, tags, m_rng));
}

void Simulator::stepTags() {
    const QList<int> changed = m_service.project().tags().step();
    if (!changed.isEmpty())
        m_service.tagsChanged(changed);
}

} // namespace logd
