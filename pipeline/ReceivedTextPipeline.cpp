#include "pipeline/ReceivedTextPipeline.h"

#include "base/Station.h"

#include <QMetaMethod>

namespace pipeline {

int RefreshPeriodMs(const QString& host) { return IsLocalStation(host) ? 100 : 1000; }

ReceivedTextPipeline::ReceivedTextPipeline(WorkerChannel& channel, const LogOnDiskChoice& logOnDisk, QObject* parent)
    : QObject(parent), m_channel(channel), m_logOnDisk(logOnDisk) {
    connect(&m_timer, &QTimer::timeout, this, &ReceivedTextPipeline::Tick);
}

bool ReceivedTextPipeline::Start(int periodMs) {
    m_timer.start(periodMs);
    return m_timer.isActive();
}

void ReceivedTextPipeline::Tick() {
    if (m_hold && m_hold->load() != 0)
        return;
    const int32_t connected = m_channel.m_bConnected.load() ? 1 : 0;
    if (connected)
        Deliver(Gate::WhileShown);
    if (connected != m_lastConnected) {
        m_lastConnected = connected;
        Q_EMIT linkStateChanged(connected != 0);
    }
}

std::optional<LogWriteFailure> ReceivedTextPipeline::Deliver(Gate gate) {
    if (gate == Gate::WhileShown && (!m_channel.m_bConnected.load() || m_channel.m_bPaused.load()))
        return std::nullopt; // the text stays pending
    const ReceivedText chunk = m_channel.TakePendingText();

    // The log file receives every character received, before anything is shown. Text kept from failed
    // writes goes with the next chunk, and at the end (or in a follower) also without one.
    std::optional<LogWriteFailure> failure;
    if (!chunk.isEmpty() || (gate == Gate::Always && !m_writer.Backlog().isEmpty())) {
        const LogTarget target{m_logOnDisk.m_nLogOnDiskType.load(), m_logOnDisk.m_strLogOnDiskFile,
                               m_channel.LogFolder()};
        failure = m_writer.Write(target, chunk.text);
    }
    if (failure)
        Q_EMIT logWriteFailed(*failure);
    if (!chunk.isEmpty())
        Q_EMIT received(chunk);

    if (gate == Gate::WhileShown && isSignalConnected(QMetaMethod::fromSignal(&ReceivedTextPipeline::shown))) {
        const int maxLength = m_channel.m_nMaxTextLength.load();
        const auto marker = [this](int leftOut) {
            return m_leftOutMarker ? m_leftOutMarker(leftOut)
                                   : QStringLiteral("[... %1 characters not shown ...]").arg(leftOut);
        };
        const ViewChunk view = chunk.isEmpty() ? ViewChunk{} : ChunkForView(chunk.text, maxLength, &m_pendingCr, marker);
        Q_EMIT shown(view, maxLength);
    }
    return failure;
}

} // namespace pipeline
