// The log state the service keeps per client id: switches, date/time stamp, OPC parameters, tag
// subscriptions, log output and the queue of waiting text with the last answer kept until acknowledged.
#pragma once

#include "service/LogQueue.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QTimer>

#include <array>
#include <cstdint>

namespace logd {

constexpr int kSwitchCount = 14;
constexpr int kMaskIndex = 65535;
constexpr int kOpcFirstKind = 11;
constexpr int kOpcLastKind = 13;
constexpr int kOpcParamCount = 5;
constexpr int kOpcVerbosity = 4;

struct LogReadResult {
    QString text;
    int64_t seq = 0;
};

class ClientState {
public:
    explicit ClientState(const QString& id, qsizetype queueCapacity = LogQueue::kDefaultCapacity);

    const QString& id() const { return m_id; }
    // Names this state: a fresh random text for every state made, so that a seq acknowledged to another
    // state (an earlier run of the service, or a state dropped after its linger time) is never taken
    // for one of this state.
    const QString& epoch() const { return m_epoch; }

    int switchValue(int index) const { return m_switches[static_cast<size_t>(index)]; }
    void setSwitch(int index, int value) { m_switches[static_cast<size_t>(index)] = value; }
    // The switch bit mask: bit 0 (mask supported) and one bit per switch that is on.
    int switchMask() const;

    int stamp() const { return m_stamp; }
    void setStamp(int value) { m_stamp = value; }

    int opcParam(int kind, int param) const;
    void setOpcParam(int kind, int param, int value);

    bool logOutput() const { return m_logOutput; }
    void setLogOutput(bool on) { m_logOutput = on; }

    const QSet<int>& tags() const { return m_tags; }
    void setTagLogged(int tagId, bool on);

    // Queues one message, prefixed with the local date and time when the stamp is on and ended by CR LF.
    void deliver(const QString& text, const QDateTime& now);
    // Answers log.read. The kept last answer counts as received only when `ack` is its seq and
    // `ackEpoch` is this state's epoch; otherwise it is handed out again first.
    LogReadResult read(qsizetype max, int64_t ack, const QString& ackEpoch);
    void discard();
    const LogQueue& queue() const { return m_queue; }

    // Links (connections) of this client that are open now, and the linger timer that runs while none is.
    int links = 0;
    QTimer linger;
    qint64 lastClosedMs = 0;

private:
    QString m_id;
    QString m_epoch;
    std::array<int, kSwitchCount> m_switches{};
    int m_stamp = 0;
    std::array<std::array<int, kOpcParamCount>, 3> m_opc{};
    bool m_logOutput = false;
    QSet<int> m_tags;
    LogQueue m_queue;
    int64_t m_seq = 0;     // seq of the last answer that had text
    QString m_kept;        // text of that answer while not acknowledged
};

QString stampPrefix(const QDateTime& now);

} // namespace logd
