#include "link/WorkerChannel.h"

#include "state/CategoryWords.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

static_assert(PackChange(3, 0x12345) == 0x23450003u, "values keep their low 16 bits");

using Guard = std::lock_guard<std::mutex>;

namespace {

// The slot of an OPC kind in the channel's arrays; -1 for any other kind.
int OpcSlot(int32_t kind) {
    const auto* end = std::end(kOpcKinds);
    const auto* it = std::find(std::begin(kOpcKinds), end, kind);
    return it == end ? -1 : static_cast<int>(it - std::begin(kOpcKinds));
}

} // namespace

void ReceivedText::Append(const QString& more, qint64 receivedMs) {
    if (more.isEmpty())
        return;
    parts.push_back(Part{text.size(), receivedMs});
    text.append(more);
}

void ReceivedText::Append(const ReceivedText& more) {
    const qsizetype base = text.size();
    for (const Part& part : more.parts)
        parts.push_back(Part{base + part.offset, part.receivedMs});
    text.append(more.text);
}

qint64 ReceivedText::ReceivedAt(qsizetype offset) const {
    const auto after = std::upper_bound(parts.begin(), parts.end(), offset,
                                        [](qsizetype at, const Part& part) { return at < part.offset; });
    return after == parts.begin() ? 0 : std::prev(after)->receivedMs;
}

void WorkerChannel::AddPendingText(const QString& text, qint64 receivedMs) {
    if (text.isEmpty())
        return;
    Guard guard(m_lock);
    m_strPendingText.Append(text, receivedMs);
}

void WorkerChannel::AddPendingText(const QString& text) {
    AddPendingText(text, QDateTime::currentMSecsSinceEpoch());
}

ReceivedText WorkerChannel::TakePendingText() {
    ReceivedText taken;
    Guard guard(m_lock);
    std::swap(taken, m_strPendingText);
    return taken;
}

QString WorkerChannel::PendingText() const {
    Guard guard(m_lock);
    return m_strPendingText.text;
}

ChangeQueue* WorkerChannel::OpcQueueOf(int32_t kind) {
    switch (kind) {
    case kOpcKindXmlDa:
        return &m_opcXmlDaQueue;
    case kOpcKindUa:
        return &m_opcUaQueue;
    case kOpcKindNet:
        return &m_opcNetQueue;
    default:
        return nullptr;
    }
}

const ChangeQueue* WorkerChannel::OpcQueueOf(int32_t kind) const {
    return const_cast<WorkerChannel*>(this)->OpcQueueOf(kind);
}

void WorkerChannel::QueueSwitchChange(uint32_t entry) {
    Guard guard(m_lock);
    m_switchQueue.push_back(entry);
}

void WorkerChannel::QueueChanges(std::initializer_list<uint32_t> switchEntries, int32_t opcKind,
                                 std::initializer_list<uint32_t> opcEntries) {
    ChangeQueue* queue = OpcQueueOf(opcKind);
    Guard guard(m_lock);
    m_switchQueue.insert(m_switchQueue.end(), switchEntries);
    if (queue)
        queue->insert(queue->end(), opcEntries);
}

ChangeQueue WorkerChannel::TakeSwitchQueue() {
    ChangeQueue taken;
    Guard guard(m_lock);
    taken.swap(m_switchQueue);
    return taken;
}

ChangeQueue WorkerChannel::TakeOpcQueue(int32_t kind) {
    ChangeQueue taken;
    ChangeQueue* queue = OpcQueueOf(kind);
    if (!queue)
        return taken;
    Guard guard(m_lock);
    taken.swap(*queue);
    return taken;
}

ChangeQueue WorkerChannel::SwitchQueue() const {
    Guard guard(m_lock);
    return m_switchQueue;
}

ChangeQueue WorkerChannel::OpcQueue(int32_t kind) const {
    const ChangeQueue* queue = OpcQueueOf(kind);
    if (!queue)
        return {};
    Guard guard(m_lock);
    return *queue;
}

QStringList WorkerChannel::Tags() const {
    Guard guard(m_lock);
    return m_lstTags;
}

void WorkerChannel::SetTags(const QStringList& tags) {
    Guard guard(m_lock);
    m_lstTags = tags;
}

QString WorkerChannel::LogFolder() const {
    Guard guard(m_lock);
    return m_strLogFolder;
}

void WorkerChannel::SetLogFolder(const QString& folder) {
    Guard guard(m_lock);
    m_strLogFolder = folder;
}

LogFont WorkerChannel::Font() const {
    Guard guard(m_lock);
    return LogFont{m_strFontName, m_nCharSet};
}

void WorkerChannel::SetFont(const QString& name, int32_t charSet) {
    Guard guard(m_lock);
    m_strFontName = name;
    if (charSet != -1)
        m_nCharSet = charSet;
}

OpcStationValues WorkerChannel::StationOpc(int32_t kind) const {
    const int slot = OpcSlot(kind);
    if (slot < 0)
        return {};
    Guard guard(m_lock);
    return m_stationOpc[slot];
}

void WorkerChannel::SetStationOpc(int32_t kind, const OpcStationValues& values) {
    const int slot = OpcSlot(kind);
    if (slot < 0)
        return;
    Guard guard(m_lock);
    m_stationOpc[slot] = values;
}

void WorkerChannel::RequestWorkerStop() {
    {
        std::lock_guard<std::mutex> guard(m_sleepMutex);
        m_bStopWorker = 1;
    }
    m_sleepWake.notify_all();
}

bool WorkerChannel::SleepUnlessStopped(std::chrono::milliseconds period) {
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    return m_sleepWake.wait_for(lock, period, [this] { return m_bStopWorker.load() != 0; });
}
