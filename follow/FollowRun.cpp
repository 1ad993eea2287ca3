#include "follow/FollowRun.h"

#include "follow/StationRequests.h"
#include "follow/Terminal.h"

#include "app/core/CommandLine.h"
#include "app/core/SettingsFolder.h"
#include "link/LinkOpen.h"
#include "link/Worker.h"
#include "logview/logic/LogOnDisk.h"
#include "toolkit/MiraboToolkit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <optional>
#include <unistd.h>

namespace follow {

namespace {

constexpr int kTickMs = 100;         // how often the text is taken from the worker
constexpr int kFinalStallMs = 2000;  // at the end, how long a stuck output may hold the last text
constexpr int kNoticeStallMs = 1000; // how long a stuck standard error may hold a notice

void Notice(const QString& text) {
    WriteAll(STDERR_FILENO, QStringLiteral("kestra-follow: %1\n").arg(text).toUtf8(), kNoticeStallMs);
}

QString Station(const CKestraExtShared& shared) {
    return (shared.m_strHost.isEmpty() ? QStringLiteral("localhost") : shared.m_strHost) + u':' +
           QString::number(shared.m_nPort);
}

QString ConnectFailure(int32_t code) {
    switch (code) {
    case MIRABO_E_ACCESSDENIED:
        return QStringLiteral("the station refused the connection or cannot be reached");
    case MIRABO_E_ABORT:
        return QStringLiteral("the station does not let this client read its log");
    case MIRABO_E_TIMEOUT:
        return QStringLiteral("the station did not answer in time");
    default:
        return QStringLiteral("cannot connect (code 0x%1)").arg(static_cast<uint32_t>(code), 8, 16, QLatin1Char('0'));
    }
}

enum class LogonOutcome { Done, Refused, Stopped };

// Logs on when the station demands it. What the command line left out (the password, and the user name
// when that is missing too) is asked for on the terminal; without a terminal the logon is tried as it is.
LogonOutcome LogOn(const CKestraExtShared& shared) {
    const bool required = LogonRequired(shared.Connection()) != 0;
    if (StopWord().load() != 0)
        return LogonOutcome::Stopped;
    if (!required)
        return LogonOutcome::Done;
    QString user = shared.m_strUserName;
    QString password = shared.m_strPassword;
    int32_t fromCommandLine = 1;
    if (password.isEmpty()) {
        fromCommandLine = 0;
        if (user.isEmpty() && AskTerminal(QStringLiteral("User name: "), true, &user) == PromptResult::Stopped)
            return LogonOutcome::Stopped;
        const QString prompt = QStringLiteral("Password for %1 on %2: ").arg(user, Station(shared));
        if (AskTerminal(prompt, false, &password) == PromptResult::Stopped)
            return LogonOutcome::Stopped;
    }
    const int32_t rc = LinkLogon(user, password, fromCommandLine);
    if (StopWord().load() != 0)
        return LogonOutcome::Stopped;
    return rc == 0 ? LogonOutcome::Done : LogonOutcome::Refused;
}

// The worker, and every thread it starts, leaves the stop signals to this thread, whose waits they wake.
std::unique_ptr<std::thread> StartWorker(CKestraExtShared& shared) {
    const StopSignalsBlocked blocked;
    return StartWorkerThread(&shared);
}

// Takes what the worker fetched, every tick, to the log file and to standard output, and makes the
// station's requests again on every new connection.
class Follower {
public:
    Follower(CKestraExtShared& shared, const FollowOptions& options) : m_shared(shared), m_options(options) {}

    // One tick; an exit code once the run is over.
    std::optional<int> Tick() {
        if (StopWord().load() != 0)
            return kExitOk;
        const bool connected = m_shared.m_bConnected.load() != 0;
        if (connected) {
            const int32_t connects = m_shared.m_nConnectCount.load();
            if (connects != m_seenConnects)
                OnNewConnection(connects);
        } else if (m_shared.m_nConnectCount.load() == 0 && m_shared.m_hrConnect.load() != 0) {
            // The first attempt failed: the worker makes no other.
            Notice(ConnectFailure(m_shared.m_hrConnect.load()) + QStringLiteral(" (%1)").arg(Station(m_shared)));
            return kExitUnreachable;
        } else if (m_wasConnected) {
            Notice(QStringLiteral("link lost, connecting again"));
        }
        m_wasConnected = connected;
        Deliver(m_shared.TakePendingText(), -1);
        if (!m_outputOpen || OutputClosed(STDOUT_FILENO))
            return kExitOk;
        return std::nullopt;
    }

    // After the worker has ended: the text it fetched last goes out too (it is not fetched again).
    void Flush() { Deliver(m_shared.TakePendingText(), kFinalStallMs); }

private:
    void OnNewConnection(int32_t connects) {
        Notice(m_seenConnects == 0 ? QStringLiteral("connected to ") + Station(m_shared) : QStringLiteral("connected again"));
        m_seenConnects = connects;
        ApplyCategoryRequests(m_shared, m_options.categories);
        const QStringList unknown = SubscribeTags(m_options.tags);
        // A link lost meanwhile fails the lookups too; the next connection tries them again.
        if (m_shared.m_bConnected.load() == 0 || m_shared.m_nConnectCount.load() != connects)
            return;
        for (const QString& tag : unknown) {
            if (m_reportedTags.contains(tag))
                continue;
            Notice(QStringLiteral("the station knows no tag %1").arg(tag));
            m_reportedTags << tag;
        }
    }

    // The log file gets the text first, as in the viewer; standard output gets it without CRs.
    // A failed write keeps the text for the next one; the first failure of a run is told once.
    void Deliver(const QString& text, int stallMs) {
        if (text.isEmpty() && m_logWriter.Backlog().isEmpty())
            return;
        if (const auto failure = m_logWriter.WriteReceived(m_shared, text))
            Notice(QStringLiteral("cannot write the log file %1: %2").arg(failure->path, failure->error));
        if (text.isEmpty())
            return;
        if (!m_outputOpen)
            return;
        QString lines = text;
        lines.remove(u'\r');
        if (WriteAll(STDOUT_FILENO, lines.toUtf8(), stallMs) == WriteResult::Closed)
            m_outputOpen = false;
    }

    CKestraExtShared& m_shared;
    const FollowOptions& m_options;
    int32_t m_seenConnects = 0; // the worker's connect count when this last made its requests
    bool m_wasConnected = false;
    bool m_outputOpen = true;
    QStringList m_reportedTags;
    viewlogic::LogOnDiskWriter m_logWriter;
};

int Follow(CKestraExtShared& shared, const FollowOptions& options) {
    switch (LogOn(shared)) {
    case LogonOutcome::Stopped:
        return kExitOk;
    case LogonOutcome::Refused:
        Notice(QStringLiteral("the station refused the logon (%1)").arg(Station(shared)));
        return kExitLogonRefused;
    case LogonOutcome::Done:
        break;
    }

    std::unique_ptr<std::thread> worker = StartWorker(shared);
    if (!worker) {
        Notice(QStringLiteral("cannot start the connection thread"));
        return kExitFailure;
    }
    Follower follower(shared, options);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (const std::optional<int> end = follower.Tick()) {
            tick.stop();
            QCoreApplication::exit(*end);
        }
    });
    tick.start(kTickMs);
    const int code = QCoreApplication::exec();
    StopWorkerThread(&shared, worker);
    follower.Flush();
    return code;
}

} // namespace

void ReadStationSettings(CKestraExtShared& shared, const QString& modulePath, const FollowOptions& options) {
    const QString userFolder = GetSettingsFolder(modulePath, 260);
    shared.m_strExeIniPath = ExecutableFolder(modulePath) + QStringLiteral("KestraExt.ini");
    shared.SetLogFolder(userFolder);
    shared.m_nLogOnDiskType = options.logOnDiskType;
    shared.m_strLogOnDiskFile = options.logFile;
    if (options.logOnDiskType != viewlogic::kLogOnDiskDisabled)
        EnsureSettingsFolder(userFolder);
    ReadConnectionOptions(shared, shared.m_strExeIniPath);
    ApplyCommandLine(shared, CommandLineFromArguments(options.stationArguments));
    if (shared.m_bSlowConnection)
        shared.m_nMaxTextLength = 4096;
}

int RunFollower(CKestraExtShared& shared, const FollowOptions& options) {
    ToolkitInit();
    ToolkitSetCancelWord(&StopWord()); // a stop signal also ends this thread's logon calls
    const int code = Follow(shared, options);
    ToolkitExit();
    return code;
}

} // namespace follow
