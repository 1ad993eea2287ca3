// The worker's steps while connected: send the queued changes, fetch the waiting log text.
#include "link/Worker.h"

#include <mutex>
#include <new>
#include <utility>

namespace {

// Takes every entry out of a queue (under the lock) so that it can be sent outside it.
std::vector<uint32_t> TakeQueue(CKestraExtShared* app, std::vector<uint32_t>& queue) {
    std::vector<uint32_t> taken;
    std::lock_guard<std::mutex> guard(app->m_lock);
    taken.swap(queue);
    return taken;
}

std::vector<uint32_t>* OpcQueue(CKestraExtShared* app, int32_t kind) {
    switch (kind) {
    case kOpcKindXmlDa:
        return &app->m_opcXmlDaQueue;
    case kOpcKindUa:
        return &app->m_opcUaQueue;
    case kOpcKindNet:
        return &app->m_opcNetQueue;
    default:
        return nullptr;
    }
}

// While paused the service throws the waiting text away, so it is never shown.
bool DiscardText(MiraboLink link) {
    LogTextDiscard();
    return LinkIsLost(link) == 0;
}

} // namespace

bool SendOpcChanges(CKestraExtShared* app, MiraboLink& link, int32_t kind) {
    std::vector<uint32_t>* queue = OpcQueue(app, kind);
    if (!queue)
        return true;
    for (const uint32_t entry : TakeQueue(app, *queue)) {
        OpcLogParamSet(kind, static_cast<int32_t>(ChangeIndex(entry)), static_cast<int32_t>(ChangeValue(entry)));
        if (LinkIsLost(link))
            return false;
    }
    return true;
}

bool SendChangesStep(CKestraExtShared* app, MiraboLink& link) {
    for (const uint32_t entry : TakeQueue(app, app->m_switchQueue)) {
        SwitchSet(static_cast<int32_t>(ChangeIndex(entry)), static_cast<int32_t>(ChangeValue(entry)));
        if (LinkIsLost(link))
            return false;
    }
    SendOpcChanges(app, link, kOpcKindUa);
    SendOpcChanges(app, link, kOpcKindXmlDa);
    SendOpcChanges(app, link, kOpcKindNet);
    if (app->m_bDateTimeChanged.load() != 0) {
        app->m_bDateTimeChanged = 0;
        DateTimeStampSet(app->m_nDateTimeStamp.load());
    }
    return LinkIsLost(link) == 0;
}

bool FetchTextStep(CKestraExtShared* app, MiraboLink& link) {
    if (app->m_bPaused.load() != 0)
        return DiscardText(link);
    const int32_t capacity = app->m_nMaxTextLength.load();
    QString text;
    try {
        text.reserve(capacity + 2);
    } catch (const std::bad_alloc&) {
        return DiscardText(link);
    }
    LogTextRead(&text, capacity);
    if (!text.isEmpty()) {
        std::lock_guard<std::mutex> guard(app->m_lock);
        app->m_strPendingText.append(text);
    }
    return LinkIsLost(link) == 0;
}
