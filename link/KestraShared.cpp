#include "link/KestraShared.h"

#include <utility>

static_assert(sizeof(KestraWord) == 4, "shared words are single 32-bit integers");
static_assert(KestraWord::is_always_lock_free, "shared words need no lock");
static_assert(PackChange(3, 0x12345) == 0x23450003u, "values keep their low 16 bits");

using Guard = std::lock_guard<std::mutex>;

void CKestraExtShared::AddPendingText(const QString& text) {
    if (text.isEmpty())
        return;
    Guard guard(m_lock);
    m_strPendingText.append(text);
}

QString CKestraExtShared::TakePendingText() {
    QString taken;
    Guard guard(m_lock);
    taken.swap(m_strPendingText);
    return taken;
}

QString CKestraExtShared::PendingText() const {
    Guard guard(m_lock);
    return m_strPendingText;
}

ChangeQueue* CKestraExtShared::OpcQueueOf(int32_t kind) {
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

const ChangeQueue* CKestraExtShared::OpcQueueOf(int32_t kind) const {
    return const_cast<CKestraExtShared*>(this)->OpcQueueOf(kind);
}

OpcLogSettings* CKestraExtShared::OpcRecord(int32_t kind) {
    switch (kind) {
    case kOpcKindXmlDa:
        return &m_opcXmlDa;
    case kOpcKindUa:
        return &m_opcUa;
    case kOpcKindNet:
        return &m_opcNet;
    default:
        return nullptr;
    }
}

void CKestraExtShared::QueueSwitchChange(uint32_t entry) {
    Guard guard(m_lock);
    m_switchQueue.push_back(entry);
}

void CKestraExtShared::QueueChanges(std::initializer_list<uint32_t> switchEntries, int32_t opcKind,
                                    std::initializer_list<uint32_t> opcEntries) {
    ChangeQueue* queue = OpcQueueOf(opcKind);
    Guard guard(m_lock);
    m_switchQueue.insert(m_switchQueue.end(), switchEntries);
    if (queue)
        queue->insert(queue->end(), opcEntries);
}

ChangeQueue CKestraExtShared::TakeSwitchQueue() {
    ChangeQueue taken;
    Guard guard(m_lock);
    taken.swap(m_switchQueue);
    return taken;
}

ChangeQueue CKestraExtShared::TakeOpcQueue(int32_t kind) {
    ChangeQueue taken;
    ChangeQueue* queue = OpcQueueOf(kind);
    if (!queue)
        return taken;
    Guard guard(m_lock);
    taken.swap(*queue);
    return taken;
}

ChangeQueue CKestraExtShared::SwitchQueue() const {
    Guard guard(m_lock);
    return m_switchQueue;
}

ChangeQueue CKestraExtShared::OpcQueue(int32_t kind) const {
    const ChangeQueue* queue = OpcQueueOf(kind);
    if (!queue)
        return {};
    Guard guard(m_lock);
    return *queue;
}

QStringList CKestraExtShared::Tags() const {
    Guard guard(m_lock);
    return m_lstTags;
}

void CKestraExtShared::SetTags(const QStringList& tags) {
    Guard guard(m_lock);
    m_lstTags = tags;
}

QString CKestraExtShared::LogFolder() const {
    Guard guard(m_lock);
    return m_strLogFolder;
}

void CKestraExtShared::SetLogFolder(const QString& folder) {
    Guard guard(m_lock);
    m_strLogFolder = folder;
}

LogFont CKestraExtShared::Font() const {
    Guard guard(m_lock);
    return LogFont{m_strFontName, m_nCharSet};
}

void CKestraExtShared::SetFont(const QString& name, int32_t charSet) {
    Guard guard(m_lock);
    m_strFontName = name;
    if (charSet != -1)
        m_nCharSet = charSet;
}

ConnectionParams CKestraExtShared::Connection() const {
    Guard guard(m_lock);
    return ConnectionParams{m_strExeIniPath, m_strHost, m_nPort, m_strProxyHost, m_nProxyPort, m_strWtg};
}

void CKestraExtShared::RequestWorkerStop() {
    {
        std::lock_guard<std::mutex> guard(m_sleepMutex);
        m_bStopWorker = 1;
    }
    m_sleepWake.notify_all();
}

bool CKestraExtShared::SleepUnlessStopped(std::chrono::milliseconds period) {
    std::unique_lock<std::mutex> lock(m_sleepMutex);
    return m_sleepWake.wait_for(lock, period, [this] { return m_bStopWorker.load() != 0; });
}
