// Start-up and shut-down of the application object.
#include "app/KestraStartup.h"

#include "app/KestraExtApp.h"
#include "app/core/Language.h"
#include "app/core/SettingsFolder.h"
#include "app/AboutDlg.h"
#include "app/CheckCredentialDlg.h"
#include "app/StartupHooks.h"
#include "desktop/TitleRegistry.h"
#include "dialogs/OptionDialogs.h"
#include "link/LinkOpen.h"
#include "logview/KestraExtView.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"
#include "logview/logic/LogOnDisk.h"
#include "progress/ProgressWnd.h"
#include "res/Icon.h"
#include "res/Ids.h"
#include "res/Resources.h"
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

} // namespace

void StartupErrorBox(const StartupHooks* hooks, const QString& text) {
    if (hooks && hooks->messageBox)
        hooks->messageBox(text);
    else
        res::ShowMessageBox(nullptr, text, res::MessageIcon::Error, true); // above the wait notice
}

QString SingleInstanceTitle(const QString& host) {
    const QString station = IsLocalStation(host) ? res::String(ids::IDS_LOCAL) : host;
    return res::String(ids::IDS_DOC_TITLE) + QStringLiteral(": <") + station + QStringLiteral("> - ");
}

bool CKestraExtApp::InitInstance() {
    const StartupHooks* hooks = m_pStartupHooks;

    // The toolkit for this thread.
    ToolkitInit();
    m_bStarting = 1;
    // Every window of the program carries its icon, message boxes and standard dialogs included.
    QApplication::setWindowIcon(res::ProgramIcon());

    // Folders and settings files.
    const QString modulePath = hooks && !hooks->modulePath.isEmpty() ? hooks->modulePath : CurrentExecutablePath();
    m_strExeFolder = ExecutableFolder(modulePath);
    m_strUserFolder = GetSettingsFolder(modulePath, 260);
    EnsureSettingsFolder(m_strUserFolder);
    m_strExeIniPath = m_strExeFolder + QStringLiteral("KestraExt.ini");
    m_strUserIniPath = m_strUserFolder + QStringLiteral("KestraExt.ini");
    SetLogFolder(m_strUserFolder);

    // Language: every text from here on, the single-instance title included, comes from the bundle.
    const QString culture =
        GetCultureName(m_strUserFolder + QStringLiteral("Program Settings.ini"), 255).value_or(QString());
    LoadLanguageModule(culture, modulePath, &m_hResourceModule);
    res::SetCurrentModule(m_hResourceModule);

    // Connection options, then the command line.
    ReadOptions();
    ReadCommandLine();

    // One window per station: a running instance connected to the same station is brought to the
    // front instead.
    const QString title = SingleInstanceTitle(m_strHost);
    if (TitleRegistry::Find(title)) {
        TitleRegistry::BringToFront(title);
        return false;
    }

    // The window, built while "connected" so that its first title has no disconnected suffix.
    m_bConnected = 1;
    const LogWindow window = CreateLogWindow(*this);
    WireOptionDialogs(*window.frame, *this, modulePath);
    window.view->SetLogWriter(&m_logWriter); // keeps what it could not write until the end
    m_pMainWnd = window.frame;
    new TitleRegistry(window.frame); // owned by the frame; follows its title from now on
    window.frame->SetCommandHandler(ids::ID_APP_ABOUT, [frame = window.frame] { ShowAboutDialog(frame); });
    window.frame->show();
    window.frame->repaint();
    m_bConnected = 0;
    CloseDeferral closeDeferral(window.frame);

    // Slow connections fetch less text per cycle (the view's own limit was set above).
    if (m_bSlowConnection)
        m_nMaxTextLength = 4096;

    // The wait notice, up until start-up returns. The host is shown as typed.
    CProgressWnd popup(m_pMainWnd, res::String(ids::IDS_APP_TITLE), false);
    popup.ShowWaitNotice(res::FormatString(ids::IDS_CONNECTING, {m_strHost}), m_strHost);

    // Logon, when the service demands one.
    QString user = m_strUserName;
    QString password = m_strPassword;
    if (LogonRequired(Connection()) != 0) {
        int32_t fromCommandLine = 1;
        if (user.isEmpty()) {
            CCheckCredentialDlg dialog;
            // Above the wait notice, which stays on top of everything else.
            dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
            const int result = hooks && hooks->runCredentialDialog ? hooks->runCredentialDialog(dialog)
                                                                   : dialog.DoModal();
            user = dialog.m_strUserName;
            password = dialog.m_strPassword;
            fromCommandLine = 0;
            if (result == ids::IDCANCEL) {
                StartupErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
                return false;
            }
        }
        // A refused logon is told the same way: the program cannot work without it.
        if (LinkLogon(user, password, fromCommandLine) != 0) {
            StartupErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
            return false;
        }
    }

    // The worker and its first connection.
    if (!StartWorker())
        return false;

    // Keep-on-top and the log-on-disk choice.
    m_bAlwaysOnTop = profile::GetPrivateProfileInt(kKestra, QStringLiteral("AlwaysOnTop"), 0, m_strUserIniPath);
    m_nLogOnDiskType = profile::GetPrivateProfileInt(kLogOnDisk, QStringLiteral("Type"), 0, m_strUserIniPath);
    m_strLogOnDiskFile =
        profile::GetPrivateProfileString(kLogOnDisk, QStringLiteral("FileName"), QString(),
                                         viewlogic::kMaxLogFileNameLength + 1, m_strUserIniPath);
    CKestraExtView::ApplyAlwaysOnTop(m_pMainWnd, m_bAlwaysOnTop.load() != 0);

    // Started.
    m_bStarting = 0;
    closeDeferral.Release();
    return true;
}

void CKestraExtApp::WriteReceivedText() {
    // Text the worker fetched that no tick took (the user left first, or the link dropped before the
    // tick), and what failed writes kept, goes to the log file now: the worker has ended, nothing
    // adds to it any more.
    const QString received = TakePendingText();
    if (received.isEmpty() && m_logWriter.Backlog().isEmpty())
        return;
    if (const auto failure = m_logWriter.WriteReceived(*this, received))
        StartupErrorBox(m_pStartupHooks,
                        res::FormatString(ids::IDS_LOG_LOST_AT_EXIT,
                                          {QDir::toNativeSeparators(failure->path), failure->error}));
}

int CKestraExtApp::ExitInstance() {
    if (m_pWorkerThread) {
        StopWorker();
        WriteReceivedText();
        profile::WritePrivateProfileString(kKestra, QStringLiteral("AlwaysOnTop"),
                                           QString::number(m_bAlwaysOnTop.load()), m_strUserIniPath);
        SetTags({});
    }
    ToolkitExit();
    FreeLanguageModule(&m_hResourceModule);
    res::SetCurrentModule(nullptr);
    return 0;
}
