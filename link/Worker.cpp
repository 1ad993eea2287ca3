// The worker's thread procedure: the Connect / Connected / Lost / GaveUp cycle and its launcher.
#include "link/Worker.h"

#include <chrono>
#include <exception>
#include <system_error>

namespace {

enum class WorkerState { Connect, Connected, Lost, GaveUp };

// Closes the link held at the end: tells the service to stop collecting log text for this client when
// no other link of the client still reads it. The stop word is unregistered first (it is set by now and
// would fail these calls at once), and a short time-out bounds them instead.
void SayGoodbye(MiraboLink& link) {
    constexpr int32_t kGoodbyeTimeoutMs = 700;
    ToolkitSetCancelWord(nullptr);
    LinkSetTimeout(link, kGoodbyeTimeoutMs);
    if (ServiceQuery(QStringLiteral("MIRABO"), 0) == 0)
        LogOutputEnable(0);
    LinkClose(link);
    link = nullptr;
}

// One cycle's work; returns the sleep that ends the cycle.
int RunCycle(CKestraExtShared* app, WorkerState& state, bool& firstAttempt, MiraboLink& link) {
    int sleepMs = kWorkerCycleMs;
    switch (state) {
    case WorkerState::Connect: {
        app->m_bConnected = 0;
        link = nullptr;
        int32_t rc = MIRABO_E_FAIL;
        try {
            rc = ConnectStep(app, link);
        } catch (...) {
            // Out of memory while loading the shared state: a failed attempt like any other.
            if (link)
                LinkClose(link);
            link = nullptr;
        }
        app->m_hrConnect = rc;
        if (rc == MIRABO_OK) {
            firstAttempt = false;
            state = WorkerState::Connected;
        } else {
            if (firstAttempt)
                state = WorkerState::GaveUp;
            firstAttempt = false;
            sleepMs = kWorkerRetryMs;
        }
        break;
    }
    case WorkerState::Connected:
        if (!SendChangesStep(app, link) || !FetchTextStep(app, link))
            state = WorkerState::Lost;
        break;
    case WorkerState::Lost:
        if (link) {
            LinkClose(link);
            app->m_bConnected = 0;
            link = nullptr;
        }
        state = WorkerState::Connect;
        break;
    case WorkerState::GaveUp:
        break;
    }
    return sleepMs;
}

} // namespace

unsigned WorkerProc(CKestraExtShared* app) {
    ToolkitInit();
    ToolkitSetCancelWord(&app->m_bStopWorker);

    WorkerState state = WorkerState::Connect;
    bool firstAttempt = true;
    MiraboLink link = nullptr;

    while (app->m_bStopWorker.load() == 0) {
        int sleepMs = kWorkerCycleMs;
        try {
            sleepMs = RunCycle(app, state, firstAttempt, link);
        } catch (...) {
            // Out of memory while sending or fetching: treat the link as lost, so it is opened afresh.
            if (state == WorkerState::Connected)
                state = WorkerState::Lost;
        }
        app->SleepUnlessStopped(std::chrono::milliseconds(sleepMs));
    }

    try {
        if (link)
            SayGoodbye(link);
    } catch (...) {
    }
    ToolkitExit();
    return 0;
}

std::unique_ptr<std::thread> StartWorkerThread(CKestraExtShared* app) {
    try {
        return std::make_unique<std::thread>([app] {
            try {
                WorkerProc(app);
            } catch (...) {
                // WorkerProc catches everything itself; nothing may leave the thread regardless.
            }
        });
    } catch (const std::exception&) {
        return nullptr;
    }
}

void StopWorkerThread(CKestraExtShared* app, std::unique_ptr<std::thread>& thread) {
    app->RequestWorkerStop();
    if (thread && thread->joinable())
        thread->join();
    thread.reset();
}
