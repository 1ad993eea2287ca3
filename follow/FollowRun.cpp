#include "follow/FollowRun.h"

#include "follow/StationRequests.h"
#include "follow/Terminal.h"
#include "follow/TerminalColours.h"

#include "app/core/CommandLine.h"
#include "app/core/SettingsFolder.h"
#include "highlight/RulesFile.h"
#include "link/LinkOpen.h"
#include "pipeline/ReceivedTextPipeline.h"
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

QString Address(const ConnectionOptions& options) {
    return (options.m_strHost.isEmpty() ? QStringLiteral("localhost") : options.m_strHost) + u':' +
           QString::number(options.m_nPort);
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
LogonOutcome LogOn(const Station& station) {
    const ConnectionOptions& options = station.options;
    const bool required = LinkLogonRequired(StationEndpoint(options, station.paths.m_strExeIniPath)) != 0;
    if (StopWord().load() != 0)
        return LogonOutcome::Stopped;
    if (!required)
        return LogonOutcome::Done;
    QString user = options.m_strUserName;
    QString password = options.m_strPassword;
    int32_t fromCommandLine = 1;
    if (password.isEmpty()) {
        fromCommandLine = 0;
        if (user.isEmpty() && AskTerminal(QStringLiteral("User name: "), true, &user) == PromptResult::Stopped)
            return LogonOutcome::Stopped;
        const QString prompt = QStringLiteral("Password for %1 on %2: ").arg(user, Address(options));
        if (AskTerminal(prompt, false, &password) == PromptResult::Stopped)
            return LogonOutcome::Stopped;
    }
    const int32_t rc = LinkLogon(user, password, fromCommandLine);
    if (StopWord().load() != 0)
        return LogonOutcome::Stopped;
    return rc == 0 ? LogonOutcome::Done : LogonOutcome::Refused;
}

// The worker, and every thread it starts, leaves the stop signals to this thread, whose waits they wake.
std::unique_ptr<std::thread> StartWorker(Station& station) {
    const StopSignalsBlocked blocked;
    return StartWorkerThread(station.Worker());
}

// Every tick, the pipeline takes what the worker fetched, whatever the link state, to the log file and
// then here, to standard output; on every new connection the station's requests are made again.
class Follower {
public:
    Follower(Station& station, const FollowOptions& options)
        : m_station(station), m_options(options), m_pipeline(station.channel, station.logOnDisk) {
        if (UseColour(options.colour, STDOUT_FILENO))
            LoadColours();
        using Pipeline = pipeline::ReceivedTextPipeline;
        QObject::connect(&m_pipeline, &Pipeline::received, [this](const ReceivedText& chunk) { Print(chunk.text); });
        QObject::connect(&m_pipeline, &Pipeline::logWriteFailed, [](const pipeline::LogWriteFailure& failure) {
            Notice(QStringLiteral("cannot write the log file %1: %2").arg(failure.path, failure.error));
        });
    }

    // One tick; an exit code once the run is over.
    std::optional<int> Tick() {
        if (StopWord().load() != 0)
            return kExitOk;
        const WorkerChannel& channel = m_station.channel;
        const bool connected = channel.m_bConnected.load() != 0;
        if (connected) {
            const int32_t connects = channel.m_nConnectCount.load();
            if (connects != m_seenConnects)
                OnNewConnection(connects);
        } else if (channel.m_nConnectCount.load() == 0 && channel.m_hrConnect.load() != 0) {
            // The first attempt failed: the worker makes no other.
            Notice(ConnectFailure(channel.m_hrConnect.load()) +
                   QStringLiteral(" (%1)").arg(Address(m_station.options)));
            return kExitUnreachable;
        } else if (m_wasConnected) {
            Notice(QStringLiteral("link lost, connecting again"));
        }
        m_wasConnected = connected;
        Deliver(-1);
        if (!m_outputOpen || OutputClosed(STDOUT_FILENO))
            return kExitOk;
        return std::nullopt;
    }

    // After the worker has ended: the text it fetched last goes out too (it is not fetched again).
    void Flush() { Deliver(kFinalStallMs); }

private:
    void OnNewConnection(int32_t connects) {
        Notice(m_seenConnects == 0 ? QStringLiteral("connected to ") + Address(m_station.options)
                                   : QStringLiteral("connected again"));
        m_seenConnects = connects;
        ApplyCategoryRequests(m_station.categories, m_station.channel, m_options.categories);
        const QStringList unknown = SubscribeTags(m_options.tags);
        // A link lost meanwhile fails the lookups too; the next connection tries them again.
        if (m_station.channel.m_bConnected.load() == 0 || m_station.channel.m_nConnectCount.load() != connects)
            return;
        for (const QString& tag : unknown) {
            if (m_reportedTags.contains(tag))
                continue;
            Notice(QStringLiteral("the station knows no tag %1").arg(tag));
            m_reportedTags << tag;
        }
    }

    // The log file gets the text first, as in the viewer (a failed write keeps the text for the next
    // one; the first failure of a run is told once); standard output then gets it without CRs, waiting
    // at most `stallMs` for an output that takes nothing.
    void Deliver(int stallMs) {
        m_stallMs = stallMs;
        m_pipeline.Deliver(pipeline::ReceivedTextPipeline::Gate::Always);
    }

    // The highlight rules of kestra's user; what of a damaged file could not be read is told.
    void LoadColours() {
        const QString path = highlight::RulesFilePath(m_station.settingsFolder);
        highlight::LoadedRules loaded = highlight::RulesInEffect(path);
        if (!loaded.problems.empty())
            Notice(QStringLiteral("%1: %2 line(s) of the highlight rules could not be read as they stand")
                       .arg(path)
                       .arg(loaded.problems.size()));
        m_colours = std::make_unique<highlight::Highlighter>(std::move(loaded.rules));
        m_trueColour = TrueColourTerminal();
    }

    void Print(const QString& text) {
        if (!m_outputOpen)
            return;
        QString lines = text;
        lines.remove(u'\r');
        if (m_colours)
            lines = Colourise(lines, *m_colours, m_trueColour);
        if (WriteAll(STDOUT_FILENO, lines.toUtf8(), m_stallMs) == WriteResult::Closed)
            m_outputOpen = false;
    }

    Station& m_station;
    const FollowOptions& m_options;
    pipeline::ReceivedTextPipeline m_pipeline;
    std::unique_ptr<highlight::Highlighter> m_colours; // none: plain text
    bool m_trueColour = false;
    int m_stallMs = -1;
    int32_t m_seenConnects = 0; // the worker's connect count when this last made its requests
    bool m_wasConnected = false;
    bool m_outputOpen = true;
    QStringList m_reportedTags;
};

int Follow(Station& station, const FollowOptions& options) {
    switch (LogOn(station)) {
    case LogonOutcome::Stopped:
        return kExitOk;
    case LogonOutcome::Refused:
        Notice(QStringLiteral("the station refused the logon (%1)").arg(Address(station.options)));
        return kExitLogonRefused;
    case LogonOutcome::Done:
        break;
    }

    std::unique_ptr<std::thread> worker = StartWorker(station);
    if (!worker) {
        Notice(QStringLiteral("cannot start the connection thread"));
        return kExitFailure;
    }
    Follower follower(station, options);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (const std::optional<int> end = follower.Tick()) {
            tick.stop();
            QCoreApplication::exit(*end);
        }
    });
    tick.start(kTickMs);
    const int code = QCoreApplication::exec();
    StopWorkerThread(station.channel, worker);
    follower.Flush();
    return code;
}

} // namespace

void ReadStationSettings(Station& station, const QString& modulePath, const FollowOptions& options) {
    const QString userFolder = GetSettingsFolder(modulePath, 260);
    station.settingsFolder = userFolder;
    station.paths.m_strExeIniPath = ExecutableFolder(modulePath) + QStringLiteral("KestraExt.ini");
    station.channel.SetLogFolder(userFolder);
    station.logOnDisk.m_nLogOnDiskType = options.logOnDiskType;
    station.logOnDisk.m_strLogOnDiskFile = options.logFile;
    if (options.logOnDiskType != kLogOnDiskDisabled)
        EnsureSettingsFolder(userFolder);
    ReadConnectionOptions(station.options, station.paths.m_strExeIniPath);
    ApplyArguments(station.options, options.stationArguments);
    if (station.options.m_bSlowConnection)
        station.channel.m_nMaxTextLength = 4096;
}

int RunFollower(Station& station, const FollowOptions& options) {
    ToolkitInit();
    ToolkitSetCancelWord(&StopWord()); // a stop signal also ends this thread's logon calls
    const int code = Follow(station, options);
    ToolkitExit();
    return code;
}

} // namespace follow
