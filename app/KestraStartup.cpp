// Start-up and shut-down of the application object.
#include "app/KestraStartup.h"

#include "app/KestraExtApp.h"
#include "app/core/Language.h"
#include "app/core/SettingsFolder.h"
#include "app/AboutDlg.h"
#include "app/CheckCredentialDlg.h"
#include "app/StartupHooks.h"
#include "desktop/TitleRegistry.h"
#include "dialogs/HalcyteLauncher.h"
#include "dialogs/HighlightRulesDlg.h"
#include "dialogs/LogTags.h"
#include "dialogs/OpcLogConfigDlg.h"
#include "link/LinkOpen.h"
#include "link/StationTrust.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"
#include "progress/ProgressWnd.h"
#include "res/Icon.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/StationKeyTexts.h"
#include "res/widgets/MessageBox.h"
#include "settings/PrivateProfile.h"
#include "toolkit/MiraboToolkit.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace {

const QString kKestra = QStringLiteral("Kestra");
const QString kLogOnDisk = QStringLiteral("LogOnDisk");
constexpr int kMaxFolderPath = 260;  // characters of a folder path, with the terminator
constexpr int kMaxCultureName = 255; // characters of the culture name read from the product settings

// While start-up waits, a request to close the main window is held back and made again once start-up
// has succeeded, as a request queued behind the start-up would be.
class CloseDeferral : public QObject {
public:
    explicit CloseDeferral(QWidget* window) : m_window(window) { window->installEventFilter(this); }
    ~CloseDeferral() override {
        if (m_window)
            m_window->removeEventFilter(this);
    }
    // Start-up succeeded: a held-back request goes through now, from the message loop.
    void Release() {
        if (m_window && m_requested)
            QTimer::singleShot(0, m_window, [window = m_window] {
                if (window)
                    window->close();
            });
        m_requested = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Close) {
            event->ignore();
            m_requested = true;
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    bool m_requested = false;
};

// The option dialogs and tools the log window's commands open.
WindowTools OptionDialogsAndTools(CKestraExtApp& app, const QString& modulePath) {
    // One launcher for the window's life: it remembers the tool's window it started.
    auto launcher = std::make_shared<std::unique_ptr<CHalcyteLauncher>>();
    return WindowTools{
        [&app](QWidget* parent) {
            RunLogTagsDialog(TagListParts{app.m_options, app.m_paths.m_strExeIniPath, app.m_channel}, parent);
        },
        [&app](int32_t kind, QWidget* parent) { RunOpcLogDialog(app.m_categories, app.m_channel, kind, parent); },
        [launcher, &app, modulePath](QWidget* parent) {
            if (!*launcher)
                *launcher = std::make_unique<CHalcyteLauncher>(app.m_options, modulePath, parent);
            (*launcher)->OnLaunchHalcyte();
        },
        [](QWidget* parent) { ShowAboutDialog(parent); },
        [rulesFile = highlight::RulesFilePath(app.m_strUserFolder)](QWidget* parent)
            -> std::shared_ptr<const highlight::Highlighter> {
            if (auto rules = RunHighlightRulesDialog(rulesFile, parent))
                return std::make_shared<highlight::Highlighter>(std::move(*rules));
            return nullptr;
        },
    };
}

// The highlight rules in effect (the defaults before the user made any). Of a file damaged by hand,
// what could be read is used, and `problems` says what could not.
std::shared_ptr<const highlight::Highlighter> LoadHighlightRules(const QString& settingsFolder, QString* problems) {
    const QString path = highlight::RulesFilePath(settingsFolder);
    highlight::LoadedRules loaded = highlight::RulesInEffect(path, LocalDefaultNames());
    if (!loaded.problems.empty())
        *problems = res::FormatString(ids::IDS_HL_FILE_PROBLEMS,
                                      {QDir::toNativeSeparators(path), DescribeFileProblems(loaded.problems)});
    return std::make_shared<highlight::Highlighter>(std::move(loaded.rules));
}

} // namespace

void StartupErrorBox(const StartupHooks* hooks, const QString& text) {
    if (hooks && hooks->messageBox)
        hooks->messageBox(text);
    else
        res::ShowMessageBox(nullptr, text, res::MessageIcon::Error, true); // above the wait notice
}

bool StartupQuestion(const StartupHooks* hooks, const QString& text) {
    if (hooks && hooks->askYesNo)
        return hooks->askYesNo(text);
    return res::AskYesNo(nullptr, text, true); // above the wait notice, as the error boxes
}

QString SingleInstanceTitle(const QString& host) {
    return res::String(ids::IDS_DOC_TITLE) + QStringLiteral(": <") + res::StationName(host) + QStringLiteral("> - ");
}

bool CKestraExtApp::InitInstance() {
    const StartupHooks* hooks = m_pStartupHooks;
    ToolkitInit(); // the toolkit for this thread
    m_window.m_bStarting = 1;
    // Every window of the program carries its icon, message boxes and standard dialogs included.
    QApplication::setWindowIcon(res::ProgramIcon());
    const QString modulePath = hooks && !hooks->modulePath.isEmpty() ? hooks->modulePath : CurrentExecutablePath();

    InitFolders(modulePath);
    LoadLanguage(modulePath);
    ReadOptions();
    ReadCommandLine();
    if (!CheckSingleInstance())
        return false;
    CreateMainWindow(modulePath);
    CloseDeferral closeDeferral(m_pMainWnd);
    // Slow connections fetch less text per cycle (the view's own limit was set with the window).
    if (m_options.m_bSlowConnection)
        m_channel.m_nMaxTextLength = 4096;

    // The wait notice, up until start-up returns. The host is shown as typed.
    CProgressWnd popup(m_pMainWnd, res::String(ids::IDS_APP_TITLE), false);
    popup.ShowWaitNotice(res::FormatString(ids::IDS_CONNECTING, {m_options.m_strHost}), m_options.m_strHost);
    if (!CheckStationKey() || !LogOn() || !StartWorker())
        return false;
    ApplyWindowSettings();
    WatchStationKey();

    m_window.m_bStarting = 0;
    closeDeferral.Release();
    // Without waiting for an answer: the window is up and the text comes in meanwhile.
    if (!m_strRulesProblems.isEmpty())
        res::ShowMessageBoxLater(m_pMainWnd, m_strRulesProblems);
    return true;
}

// Folders and settings files: the executable's folder, the per-user settings folder (made when
// missing), the two settings files, and the log folder until the worker names the project's.
void CKestraExtApp::InitFolders(const QString& modulePath) {
    m_strExeFolder = ExecutableFolder(modulePath);
    m_strUserFolder = GetSettingsFolder(modulePath, kMaxFolderPath);
    EnsureSettingsFolder(m_strUserFolder);
    m_paths.m_strExeIniPath = m_strExeFolder + QStringLiteral("KestraExt.ini");
    m_paths.m_strUserIniPath = m_strUserFolder + QStringLiteral("KestraExt.ini");
    m_channel.SetLogFolder(m_strUserFolder);
    // The user's known stations and the product's CA setting, for every link of the process.
    ToolkitSetTrust(StationTrust(m_strExeFolder, m_strUserFolder));
}

// Every text from here on, the single-instance title included, comes from the language bundle.
void CKestraExtApp::LoadLanguage(const QString& modulePath) {
    const QString culture =
        GetCultureName(m_strUserFolder + QStringLiteral("Program Settings.ini"), kMaxCultureName).value_or(QString());
    LoadLanguageModule(culture, modulePath, &m_hResourceModule);
    res::SetCurrentModule(m_hResourceModule);
}

// One window per station: a running instance connected to the same station is brought to the front
// instead, and start-up ends.
bool CKestraExtApp::CheckSingleInstance() {
    const QString title = SingleInstanceTitle(m_options.m_strHost);
    if (!TitleRegistry::Find(title))
        return true;
    TitleRegistry::BringToFront(title);
    return false;
}

// The window, built while "connected" so that its first title has no disconnected suffix, and shown.
void CKestraExtApp::CreateMainWindow(const QString& modulePath) {
    m_channel.m_bConnected = 1;
    LogWindowParts parts = Window();
    parts.highlighter = LoadHighlightRules(m_strUserFolder, &m_strRulesProblems);
    const LogWindow window = CreateLogWindow(parts, OptionDialogsAndTools(*this, modulePath));
    m_pMainWnd = window.frame;
    new TitleRegistry(window.frame); // owned by the frame; follows its title from now on
    window.frame->show();
    window.frame->repaint();
    m_channel.m_bConnected = 0;
}

// The station's key, before anything is sent to it: a known key (or a station in clear that is not known
// to speak TLS) goes on as before; an unknown key is shown for the user to trust, and refusing it ends
// start-up; a changed key, or clear where TLS was known, ends start-up with a message of its own. A
// station that cannot be reached goes on too: the connection attempt reports it as before.
bool CKestraExtApp::CheckStationKey() {
    const StartupHooks* hooks = m_pStartupHooks;
    const MiraboEndpoint endpoint = StationEndpoint(m_options, m_paths.m_strExeIniPath);
    const int32_t rc = LinkCheckStation(endpoint, &m_stationKey);
    // A station that accepts and never answers would only hold the logon check for as long again.
    m_bKeyCheckTimedOut = rc == MIRABO_E_TIMEOUT;
    if (rc != MIRABO_E_UNTRUSTED)
        return true;
    if (m_stationKey.verdict != base::KeyVerdict::Unknown) {
        StartupErrorBox(hooks, res::StationKeyMessage(m_stationKey));
        return false;
    }
    if (!StartupQuestion(hooks, res::TrustQuestion(m_stationKey))) {
        StartupErrorBox(hooks, res::TrustDeclinedMessage(m_stationKey));
        return false;
    }
    QString error;
    if (LinkTrustStation(endpoint, m_stationKey.presented, &error) != MIRABO_OK)
        StartupErrorBox(hooks, res::FormatString(ids::IDS_TRUST_NOT_KEPT,
                                                 {QDir::toNativeSeparators(m_stationKey.listFile), error}));
    m_stationKey.known = m_stationKey.presented;
    m_stationKey.verdict = base::KeyVerdict::Known;
    return true;
}

bool CKestraExtApp::ClearPasswordAgreed() {
    const MiraboEndpoint endpoint = StationEndpoint(m_options, m_paths.m_strExeIniPath);
    if (m_stationKey.verdict == base::KeyVerdict::None) // the key check did not get through: look again
        LinkCheckStation(endpoint, &m_stationKey);
    if (m_stationKey.verdict != base::KeyVerdict::Clear || m_stationKey.loopback || LinkClearStationNoted(endpoint))
        return true;
    if (!StartupQuestion(m_pStartupHooks, res::ClearPasswordQuestion(m_stationKey)))
        return false;
    LinkNoteClearStation(endpoint); // asked once: a list that cannot be written asks again next time
    return true;
}

// The worker goes on trying a station whose key changed (or that fell back to clear) and sends it
// nothing; the window only says "Disconnected". The refusal is told once, without waiting for the
// answer, and again when what is refused changes or after the link was up again meanwhile.
void CKestraExtApp::WatchStationKey() {
    constexpr int kLookMs = 1000;
    const MiraboEndpoint endpoint = StationEndpoint(m_options, m_paths.m_strExeIniPath);
    auto* timer = new QTimer(m_pMainWnd); // goes with the window
    QObject::connect(timer, &QTimer::timeout, m_pMainWnd, [this, endpoint] {
        MiraboStationKey refusal;
        if (m_channel.m_bConnected.load() != 0) {
            m_strToldRefusal.clear();
            return;
        }
        if (m_channel.m_hrConnect.load() != MIRABO_E_UNTRUSTED || !LinkStationRefusal(endpoint, &refusal))
            return;
        const QString text = res::StationKeyMessage(refusal);
        if (text == m_strToldRefusal)
            return;
        m_strToldRefusal = text;
        if (m_pStartupHooks && m_pStartupHooks->messageBox)
            m_pStartupHooks->messageBox(text);
        else
            res::ShowMessageBoxLater(m_pMainWnd, text);
    });
    timer->start(kLookMs);
}

// The logon, when the service demands one: with the command line's user (and password), else with the
// credential dialog. Cancelling the dialog and a refused logon both end start-up with a message; so does
// a station refused for its key meanwhile, with the key's message.
bool CKestraExtApp::LogOn() {
    const StartupHooks* hooks = m_pStartupHooks;
    QString user = m_options.m_strUserName;
    QString password = m_options.m_strPassword;
    const MiraboEndpoint endpoint = StationEndpoint(m_options, m_paths.m_strExeIniPath);
    if (m_bKeyCheckTimedOut || LinkLogonRequired(endpoint) == 0)
        return true;
    int32_t fromCommandLine = 1;
    if (user.isEmpty()) {
        CCheckCredentialDlg dialog;
        // Above the wait notice, which stays on top of everything else.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        const int result = hooks && hooks->runCredentialDialog ? hooks->runCredentialDialog(dialog) : dialog.DoModal();
        user = dialog.m_strUserName;
        password = dialog.m_strPassword;
        fromCommandLine = 0;
        if (result == ids::IDCANCEL) {
            StartupErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
            return false;
        }
    }
    if (!ClearPasswordAgreed())
        return false;
    // A refused logon is told the same way: the program cannot work without it.
    const int32_t rc = LinkLogon(user, password, fromCommandLine);
    MiraboStationKey refusal;
    if (rc == MIRABO_E_UNTRUSTED && LinkStationRefusal(endpoint, &refusal)) {
        StartupErrorBox(hooks, res::StationKeyMessage(refusal));
        return false;
    }
    if (rc != 0) {
        StartupErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
        return false;
    }
    return true;
}

// Keep-on-top and the log-on-disk choice, as the user left them.
void CKestraExtApp::ApplyWindowSettings() {
    const QString& ini = m_paths.m_strUserIniPath;
    m_window.m_bAlwaysOnTop = profile::GetPrivateProfileInt(kKestra, QStringLiteral("AlwaysOnTop"), 0, ini);
    m_logOnDisk.m_nLogOnDiskType = profile::GetPrivateProfileInt(kLogOnDisk, QStringLiteral("Type"), 0, ini);
    m_logOnDisk.m_strLogOnDiskFile = profile::GetPrivateProfileString(kLogOnDisk, QStringLiteral("FileName"),
                                                                      QString(), kMaxLogFileNameLength + 1, ini);
    m_pMainWnd->ApplyAlwaysOnTop(m_window.m_bAlwaysOnTop.load() != 0);
}

void CKestraExtApp::WriteReceivedText() {
    // Text the worker fetched that no tick took (the user left first, or the link dropped before the
    // tick), and what failed writes kept, goes to the log file now: the worker has ended, nothing
    // adds to it any more.
    if (const auto failure = m_pipeline.Deliver(pipeline::ReceivedTextPipeline::Gate::Always))
        StartupErrorBox(m_pStartupHooks,
                        res::FormatString(ids::IDS_LOG_LOST_AT_EXIT,
                                          {QDir::toNativeSeparators(failure->path), failure->error}));
}

int CKestraExtApp::ExitInstance() {
    if (m_pWorkerThread) {
        StopWorker();
        WriteReceivedText();
        profile::WritePrivateProfileString(kKestra, QStringLiteral("AlwaysOnTop"),
                                           QString::number(m_window.m_bAlwaysOnTop.load()), m_paths.m_strUserIniPath);
        m_channel.SetTags({});
    }
    ToolkitExit();
    FreeLanguageModule(&m_hResourceModule);
    res::SetCurrentModule(nullptr);
    return 0;
}
