// The worker's steps while connected: send the queued changes, fetch the waiting log text.
#include "link/Worker.h"

#include <new>

namespace {

// While paused the service throws the waiting text away, so it is never shown.
bool DiscardText(MiraboLink link) {
    LogTextDiscard();
    return LinkIsLost(link) == 0;
}

} // namespace

bool SendOpcChanges(CKestraExtShared* app, MiraboLink& link, int32_t kind) {
    for (const uint32_t entry : app->TakeOpcQueue(kind)) {
        OpcLogParamSet(kind, static_cast<int32_t>(ChangeIndex(entry)), static_cast<int32_t>(ChangeValue(entry)));
        if (LinkIsLost(link))
            return false;
    }
    return true;
}

bool SendChangesStep(CKestraExtShared* app, MiraboLink& link) {
    for (const uint32_t entry : app->TakeSwitchQueue()) {
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
    app->AddPendingText(text);
    return LinkIsLost(link) == 0;
}
