#include "follow/FollowRun.h"

#include "follow/KeyNotices.h"
#include "follow/StationRequests.h"
#include "follow/Terminal.h"
#include "follow/TerminalColours.h"

#include "app/core/CommandLine.h"
#include "app/core/SettingsFolder.h"
#include "highlight/RulesFile.h"
#include "link/LinkOpen.h"
#include "link/StationTrust.h"
#include "pipeline/ReceivedTextPipeline.h"
#include "toolkit/MiraboToolkit.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
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

enum class KeyOutcome { Go, Refused, Stopped };

bool Yes(const QString& answer) {
    const QString a = answer.trimmed().toLower();
    return a == u"y" || a == u"yes";
}

// The station's key, before anything is sent to it. With --trust the station must present that key,
// which is then trusted; without, an unknown key is asked about on the terminal. A changed key, or clear
// where TLS is known, is refused. A station that cannot be reached goes on: the worker reports it.
KeyOutcome CheckKey(const Station& station, const FollowOptions& options, MiraboStationKey* key) {
    const MiraboEndpoint endpoint = StationEndpoint(station.options, station.paths.m_strExeIniPath);
    const int32_t rc = LinkCheckStation(endpoint, key);
    if (StopWord().load() != 0)
        return KeyOutcome::Stopped;
    if (!options.trust.isEmpty() && key->verdict != base::KeyVerdict::None) {
        if (key->presented != options.trust) {
            Notice(key->presented.isEmpty()
                       ? QStringLiteral("the station %1 does not speak TLS, but --trust expects the key %2; nothing "
                                        "was sent to it")
                             .arg(KeyAddress(*key), options.trust)
                       : QStringLiteral("the station %1 presents the key %2, not the one --trust names (%3); nothing "
                                        "was sent to it")
                             .arg(KeyAddress(*key), key->presented, options.trust));
            return KeyOutcome::Refused;
        }
        if (rc == MIRABO_OK)
            return KeyOutcome::Go; // the trusted key, or one the CA vouches for
        // Unknown, or another key than the one trusted before: the one named on purpose replaces it.
        if (key->verdict != base::KeyVerdict::Unknown && key->verdict != base::KeyVerdict::Changed) {
            Notice(KeyRefusal(*key));
            return KeyOutcome::Refused;
        }
    } else if (rc != MIRABO_E_UNTRUSTED) {
        return KeyOutcome::Go;
    } else if (key->verdict != base::KeyVerdict::Unknown) {
        Notice(KeyRefusal(*key));
        return KeyOutcome::Refused;
    } else {
        WriteAll(STDERR_FILENO, UnknownKeyLines(*key).toUtf8(), kNoticeStallMs);
        QString answer;
        const PromptResult asked = AskTerminal(QStringLiteral("Trust this station and connect? [y/N] "), true, &answer);
        if (asked == PromptResult::Stopped)
            return KeyOutcome::Stopped;
        if (asked == PromptResult::NoTerminal || !Yes(answer)) {
            Notice(asked == PromptResult::NoTerminal ? KeyRefusal(*key)
                                                     : QStringLiteral("the station %1 was not trusted; nothing was "
                                                                      "sent to it")
                                                           .arg(KeyAddress(*key)));
            return KeyOutcome::Refused;
        }
    }
    QString error;
    EnsureSettingsFolder(QFileInfo(key->listFile).path()); // made only for a log file until now
    if (LinkTrustStation(endpoint, key->presented, &error) != MIRABO_OK)
        Notice(QStringLiteral("the key could not be added to %1 (%2); it is trusted for this run").arg(key->listFile, error));
    else
        Notice(QStringLiteral("trusting the station %1 (SHA-256 %2), added to %3")
                   .arg(KeyAddress(*key), key->presented, key->listFile));
    key->known = key->presented;
    key->verdict = base::KeyVerdict::Known;
    return KeyOutcome::Go;
}

// Before a password goes to a station in clear beyond this machine: asked about once on the terminal.
// Without a terminal (a script that gave the password) it goes, with a notice each time.
bool ClearPasswordAgreed(const Station& station, const MiraboStationKey& key) {
    const MiraboEndpoint endpoint = StationEndpoint(station.options, station.paths.m_strExeIniPath);
    if (key.verdict != base::KeyVerdict::Clear || key.loopback || LinkClearStationNoted(endpoint))
        return true;
    const QString risk = QStringLiteral("the station %1 does not speak TLS: the user name and password cross the "
                                        "network in clear, readable by anyone on the way")
                             .arg(KeyAddress(key));
    QString answer;
    const PromptResult asked =
        AskTerminal(QStringLiteral("kestra-follow: %1.\nSend them anyway? (asked once for this station) [y/N] ")
                        .arg(risk),
                    true, &answer);
    if (asked == PromptResult::NoTerminal) {
        Notice(risk);
        return true;
    }
    if (asked != PromptResult::Answered || !Yes(answer))
        return false;
    EnsureSettingsFolder(QFileInfo(key.listFile).path());
    LinkNoteClearStation(endpoint);
    return true;
}

enum class LogonOutcome { Done, Refused, Untrusted, Stopped };

// Logs on when the station demands it. What the command line left out (the password, and the user name
// when that is missing too) is asked for on the terminal; without a terminal the logon is tried as it is.
LogonOutcome LogOn(const Station& station, const MiraboStationKey& key) {
    const ConnectionOptions& options = station.options;
    const MiraboEndpoint endpoint = StationEndpoint(options, station.paths.m_strExeIniPath);
    const bool required = LinkLogonRequired(endpoint) != 0;
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
    if (!ClearPasswordAgreed(station, key))
        return StopWord().load() != 0 ? LogonOutcome::Stopped : LogonOutcome::Untrusted;
    const int32_t rc = LinkLogon(user, password, fromCommandLine);
    if (StopWord().load() != 0)
        return LogonOutcome::Stopped;
    MiraboStationKey refusal;
    if (rc == MIRABO_E_UNTRUSTED && LinkStationRefusal(endpoint, &refusal)) {
        Notice(KeyRefusal(refusal));
        return LogonOutcome::Untrusted;
    }
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
            MiraboStationKey refusal;
            if (channel.m_hrConnect.load() == MIRABO_E_UNTRUSTED && LinkStationRefusal(Endpoint(), &refusal)) {
                Notice(KeyRefusal(refusal));
                return kExitUntrusted;
            }
            Notice(ConnectFailure(channel.m_hrConnect.load()) +
                   QStringLiteral(" (%1)").arg(Address(m_station.options)));
            return kExitUnreachable;
        } else {
            if (m_wasConnected)
                Notice(QStringLiteral("link lost, connecting again"));
            ReportRefusal();
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
    MiraboEndpoint Endpoint() const { return StationEndpoint(m_station.options, m_station.paths.m_strExeIniPath); }

    // While the worker tries again, a refused key is told once (again when what is refused changes):
    // the worker goes on trying, and connects once the station presents the trusted key again.
    void ReportRefusal() {
        MiraboStationKey refusal;
        if (!LinkStationRefusal(Endpoint(), &refusal)) {
            m_toldRefusal.clear();
            return;
        }
        const QString text = KeyRefusal(refusal);
        if (text == m_toldRefusal)
            return;
        Notice(text);
        m_toldRefusal = text;
    }

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
    QString m_toldRefusal;
};

int Follow(Station& station, const FollowOptions& options) {
    MiraboStationKey key;
    switch (CheckKey(station, options, &key)) {
    case KeyOutcome::Stopped:
        return kExitOk;
    case KeyOutcome::Refused:
        return kExitUntrusted;
    case KeyOutcome::Go:
        break;
    }
    switch (LogOn(station, key)) {
    case LogonOutcome::Stopped:
        return kExitOk;
    case LogonOutcome::Refused:
        Notice(QStringLiteral("the station refused the logon (%1)").arg(Address(station.options)));
        return kExitLogonRefused;
    case LogonOutcome::Untrusted:
        return kExitUntrusted;
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
    ToolkitSetTrust(StationTrust(ExecutableFolder(modulePath), userFolder));
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
