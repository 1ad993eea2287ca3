#include "service/ClientState.h"

#include "service/RandomText.h"

namespace logd {

namespace {
// Mask bit n (1..15) -> switch index, or -1 for the date/time stamp (bit 11).
constexpr std::array<int, 16> kMaskBits = {-2, 0, 1, 2, 3, 6, 8, 9, 4, 5, 7, -1, 10, 11, 12, 13};
} // namespace

QString stampPrefix(const QDateTime& now) {
    return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")); // local time
}

ClientState::ClientState(const QString& id, qsizetype queueCapacity)
    : m_id(id), m_epoch(RandomHex(16)), m_queue(queueCapacity) {
    for (auto& kind : m_opc) {
        kind.fill(0);
        kind[kOpcVerbosity] = -1;
    }
    linger.setSingleShot(true);
}

int ClientState::switchMask() const {
    int mask = 1;
    for (int bit = 1; bit < 16; ++bit) {
        const int index = kMaskBits[static_cast<size_t>(bit)];
        const int value = index == -1 ? m_stamp : m_switches[static_cast<size_t>(index)];
        if (value != 0)
            mask |= 1 << bit;
    }
    return mask;
}

int ClientState::opcParam(int kind, int param) const {
    return m_opc[static_cast<size_t>(kind - kOpcFirstKind)][static_cast<size_t>(param)];
}

void ClientState::setOpcParam(int kind, int param, int value) {
    m_opc[static_cast<size_t>(kind - kOpcFirstKind)][static_cast<size_t>(param)] = value;
}

void ClientState::setTagLogged(int tagId, bool on) {
    if (on)
        m_tags.insert(tagId);
    else
        m_tags.remove(tagId);
}

void ClientState::deliver(const QString& text, const QDateTime& now) {
    QString line;
    if (m_stamp != 0)
        line = stampPrefix(now);
    line += text;
    line += QStringLiteral("\r\n");
    m_queue.push(std::move(line));
}

LogReadResult ClientState::read(qsizetype max, int64_t ack, const QString& ackEpoch) {
    if (!m_kept.isEmpty()) {
        if (ack == m_seq && ackEpoch == m_epoch) {
            m_kept.clear();
        } else if (m_kept.size() <= max) {
            return {m_kept, m_seq};
        } else {
            // The client asks for less than it was given last time: hand the text out again, in pieces.
            m_queue.pushFront(m_kept);
            m_kept.clear();
        }
    }
    QString text = m_queue.take(max);
    if (text.isEmpty())
        return {QString(), m_seq};
    ++m_seq;
    m_kept = text;
    return {std::move(text), m_seq};
}

void ClientState::discard() {
    m_queue.clear();
    m_kept.clear();
}

} // namespace logd
