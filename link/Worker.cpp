// The worker's thread procedure: the Connect / Connected / Lost / GaveUp cycle and its launcher.
#include "link/Worker.h"

#include <chrono>
#include <iterator>
#include <utility>
#include <exception>
#include <system_error>

namespace {

enum class WorkerState { Connect, Connected, Lost, GaveUp };

// The worker's own state across cycles.
struct Cycle {
    WorkerState state = WorkerState::Connect;
    bool firstAttempt = true;
    MiraboLink link = nullptr;
    unsigned opcDue = 0;                        // OPC kinds to read whole in this cycle (1 << (kind - 11))
    int switchesIn = kOpcSwitchCycles;          // cycles until the OPC switches are read again
    int paramsIn = kOpcParamCycles;             // cycles until the next kind is read whole again
    int opcNextKind = 0;                        // which kind that is (index into kOpcKinds)
};

constexpr unsigned kAllOpcKinds = (1u << std::size(kOpcKinds)) - 1;

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

// The OPC values are the station's, so that the window shows them without asking the station itself:
// each kind read whole in the first cycle after a connect and again right after the send step changed
// it; the three switches (the menu's check marks) about once a second, in one request where the service
// offers the switch mask; and, as nothing else changes this client's parameters, each kind whole again
// only every half minute or so.
bool RefreshStationOpc(WorkerParts parts, Cycle& cycle) {
    if (--cycle.paramsIn <= 0) {
        cycle.paramsIn = kOpcParamCycles;
        cycle.opcDue |= 1u << (kOpcKinds[cycle.opcNextKind] - kOpcKindXmlDa);
        cycle.opcNextKind = (cycle.opcNextKind + 1) % static_cast<int>(std::size(kOpcKinds));
    }
    const unsigned due = std::exchange(cycle.opcDue, 0u);
    for (const int32_t kind : kOpcKinds) {
        if ((due & (1u << (kind - kOpcKindXmlDa))) && !ReadStationOpc(parts.channel, cycle.link, kind))
            return false;
    }
    if (--cycle.switchesIn > 0)
        return true;
    cycle.switchesIn = kOpcSwitchCycles;
    return ReadStationOpcSwitches(parts.channel, cycle.link);
}

void Connect(WorkerParts parts, Cycle& cycle, int& sleepMs) {
    WorkerChannel& channel = parts.channel;
    channel.m_bConnected = 0;
    cycle.link = nullptr;
    int32_t rc = MIRABO_E_FAIL;
    try {
        rc = ConnectStep(parts, cycle.link);
    } catch (...) {
        // Out of memory while loading the shared state: a failed attempt like any other.
        if (cycle.link)
            LinkClose(cycle.link);
        cycle.link = nullptr;
    }
    channel.m_hrConnect = rc;
    if (rc == MIRABO_OK) {
        cycle.firstAttempt = false;
        cycle.opcDue = kAllOpcKinds;
        cycle.switchesIn = kOpcSwitchCycles;
        cycle.paramsIn = kOpcParamCycles;
        cycle.state = WorkerState::Connected;
        return;
    }
    if (cycle.firstAttempt)
        cycle.state = WorkerState::GaveUp;
    cycle.firstAttempt = false;
    sleepMs = kWorkerRetryMs;
}

// One cycle's work; returns the sleep that ends the cycle.
int RunCycle(WorkerParts parts, Cycle& cycle) {
    int sleepMs = kWorkerCycleMs;
    switch (cycle.state) {
    case WorkerState::Connect:
        Connect(parts, cycle, sleepMs);
        break;
    case WorkerState::Connected: {
        unsigned changedKinds = 0;
        const bool sent = SendChangesStep(parts, cycle.link, &changedKinds);
        cycle.opcDue |= changedKinds;
        if (!sent || !FetchTextStep(parts, cycle.link) || !RefreshStationOpc(parts, cycle))
            cycle.state = WorkerState::Lost;
        break;
    }
    case WorkerState::Lost:
        if (cycle.link) {
            LinkClose(cycle.link);
            parts.channel.m_bConnected = 0;
            cycle.link = nullptr;
        }
        cycle.state = WorkerState::Connect;
        break;
    case WorkerState::GaveUp:
        break;
    }
    return sleepMs;
}

} // namespace

unsigned WorkerProc(WorkerParts parts) {
    WorkerChannel& channel = parts.channel;
    ToolkitInit();
    ToolkitSetCancelWord(&channel.m_bStopWorker);

    Cycle cycle;
    while (channel.m_bStopWorker.load() == 0) {
        int sleepMs = kWorkerCycleMs;
        try {
            sleepMs = RunCycle(parts, cycle);
        } catch (...) {
            // Out of memory while sending or fetching: treat the link as lost, so it is opened afresh.
            if (cycle.state == WorkerState::Connected)
                cycle.state = WorkerState::Lost;
        }
        channel.SleepUnlessStopped(std::chrono::milliseconds(sleepMs));
    }

    try {
        if (cycle.link)
            SayGoodbye(cycle.link);
    } catch (...) {
    }
    ToolkitExit();
    return 0;
}

std::unique_ptr<std::thread> StartWorkerThread(WorkerParts parts) {
    try {
        return std::make_unique<std::thread>([parts] {
            try {
                WorkerProc(parts);
            } catch (...) {
                // WorkerProc catches everything itself; nothing may leave the thread regardless.
            }
        });
    } catch (const std::exception&) {
        return nullptr;
    }
}

void StopWorkerThread(WorkerChannel& channel, std::unique_ptr<std::thread>& thread) {
    channel.RequestWorkerStop();
    if (thread && thread->joinable())
        thread->join();
    thread.reset();
}
