// The worker's steps while connected: send the queued changes, fetch the waiting log text.
#include "link/Worker.h"

#include <QDateTime>

#include <new>

namespace {

// While paused the service throws the waiting text away, so it is never shown.
bool DiscardText(MiraboLink link) {
    LogTextDiscard();
    return LinkIsLost(link) == 0;
}

unsigned OpcKindBit(uint32_t kind) {
    return kind >= kOpcKindXmlDa && kind <= kOpcKindNet ? 1u << (kind - kOpcKindXmlDa) : 0u;
}

// Sends one OPC kind's queue; false when the link was found lost. `sent` tells whether it held anything.
bool SendOpcQueue(WorkerParts parts, MiraboLink& link, int32_t kind, bool* sent) {
    const ChangeQueue queue = parts.channel.TakeOpcQueue(kind);
    *sent = !queue.empty();
    for (const uint32_t entry : queue) {
        OpcLogParamSet(kind, static_cast<int32_t>(ChangeIndex(entry)), static_cast<int32_t>(ChangeValue(entry)));
        if (LinkIsLost(link))
            return false;
    }
    return true;
}

} // namespace

bool SendOpcChanges(WorkerParts parts, MiraboLink& link, int32_t kind) {
    bool sent = false;
    return SendOpcQueue(parts, link, kind, &sent);
}

bool SendChangesStep(WorkerParts parts, MiraboLink& link, unsigned* changedOpcKinds) {
    WorkerChannel& channel = parts.channel;
    unsigned changed = 0;
    for (const uint32_t entry : channel.TakeSwitchQueue()) {
        SwitchSet(static_cast<int32_t>(ChangeIndex(entry)), static_cast<int32_t>(ChangeValue(entry)));
        changed |= OpcKindBit(ChangeIndex(entry)); // an OPC kind's switch index is the kind
        if (LinkIsLost(link))
            return false;
    }
    // UA first, then XML/DA, then .Net, each whatever the one before it found.
    for (const int32_t kind : {kOpcKindUa, kOpcKindXmlDa, kOpcKindNet}) {
        bool sent = false;
        SendOpcQueue(parts, link, kind, &sent);
        if (sent)
            changed |= OpcKindBit(static_cast<uint32_t>(kind));
    }
    if (channel.m_bDateTimeChanged.load() != 0) {
        channel.m_bDateTimeChanged = 0;
        DateTimeStampSet(parts.categories.m_nDateTimeStamp.load());
    }
    if (changedOpcKinds)
        *changedOpcKinds = changed;
    return LinkIsLost(link) == 0;
}

bool FetchTextStep(WorkerParts parts, MiraboLink& link) {
    WorkerChannel& channel = parts.channel;
    if (channel.m_bPaused.load() != 0)
        return DiscardText(link);
    const int32_t capacity = channel.m_nMaxTextLength.load();
    QString text;
    try {
        text.reserve(capacity + 2);
    } catch (const std::bad_alloc&) {
        return DiscardText(link);
    }
    // One read, and more while the service says text waits behind it (a burst, or a backlog after an
    // outage), so that the backlog drains at the speed of the link rather than one read per cycle. The
    // stop word, the pause and a time budget bound the extra reads.
    const qint64 until = QDateTime::currentMSecsSinceEpoch() + kFetchBudgetMs;
    for (int read = 0;; ++read) {
        bool more = false;
        LogTextRead(&text, capacity, &more);
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        channel.AddPendingText(text, now);
        if (LinkIsLost(link))
            return false;
        if (!more || read + 1 >= kMaxReadsPerCycle || now >= until || channel.m_bStopWorker.load() != 0 ||
            channel.m_bPaused.load() != 0)
            return true;
    }
}
