// Starting the connection worker with its wait for the first connection, and stopping it.
#include "app/KestraExtApp.h"
#include "app/KestraStartup.h"
#include "app/StartupHooks.h"
#include "link/LinkOpen.h"
#include "link/Worker.h"
#include "logview/MainFrame.h"
#include "progress/ProgressWnd.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/StationKeyTexts.h"
#include "res/widgets/MessageBox.h"
#include "toolkit/MiraboToolkit.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

constexpr int kPollMs = 100;

uint32_t SteadyTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

QString ConnectFailureMessage(const QString& host, int32_t hrConnect) {
    if (hrConnect == MIRABO_E_ABORT)
        return res::String(ids::IDS_ACCESS_DENIED);
    if (hrConnect == MIRABO_E_ACCESSDENIED)
        return res::String(ids::IDS_CONNECTION_DENIED);
    return res::FormatString(ids::IDS_ERROR_CONNECTING,
                             {res::StationName(host), QString::number(hrConnect), res::String(ids::IDS_TCPIP_SERVER)});
}

bool CKestraExtApp::StartWorker() {
    const StartupHooks* hooks = m_pStartupHooks;

    m_channel.m_hrConnect = 0;
    m_pWorkerThread = hooks && hooks->startWorkerThread ? hooks->startWorkerThread(Worker()) : StartWorkerThread(Worker());
    if (!m_pWorkerThread) {
        StartupErrorBox(hooks, res::String(ids::IDS_NO_THREAD));
        return false;
    }

    // Wait for the first result. The user cannot act meanwhile, but the windows are kept painted.
    const auto tick = [hooks] { return hooks && hooks->tickCount ? hooks->tickCount() : SteadyTickCount(); };
    const uint32_t limit = static_cast<uint32_t>(hooks ? hooks->startWaitLimitMs : 60000);
    uint32_t start = tick();
    for (;;) {
        if (m_channel.m_bConnected.load() != 0)
            return true;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        const uint32_t now = tick();
        if (now < start) // the counter wrapped: the window starts again from here
            start = now;
        if (now - start > limit || m_channel.m_hrConnect.load() != 0)
            break;
    }

    // The message tells how the wait ended (0 at the time limit), not how the stop ended the attempt
    // still going on then.
    const int32_t result = m_channel.m_hrConnect.load();
    StopWorker();
    m_channel.m_hrConnect = result;
    // A key that changed since the check (or a station that fell back to clear) is told as such.
    MiraboStationKey refusal;
    if (result == MIRABO_E_UNTRUSTED &&
        LinkStationRefusal(StationEndpoint(m_options, m_paths.m_strExeIniPath), &refusal))
        StartupErrorBox(hooks, res::StationKeyMessage(refusal));
    else
        StartupErrorBox(hooks, ConnectFailureMessage(m_options.m_strHost, result));
    return false;
}

void CKestraExtApp::StopWorker() {
    m_channel.RequestWorkerStop();
    {
        // The notice text only when there is a connection to close; otherwise the popup keeps the
        // layout it was made with until the worker has ended.
        CProgressWnd popup(m_pMainWnd, res::String(ids::IDS_APP_TITLE), false);
        if (m_channel.m_bConnected.load() != 0)
            popup.ShowWaitNotice(res::String(ids::IDS_CLOSING));
        else
            popup.UpdateWindow();
        // The stop word interrupts any toolkit call in progress, so the worker ends within about 2 s.
        StopWorkerThread(m_channel, m_pWorkerThread);
    }
}
