// Start-up and shut-down of the application object.
#include "app/ui/KestraStartup.h"

#include "app/KestraExtApp.h"
#include "app/Language.h"
#include "app/SettingsFolder.h"
#include "app/ui/AboutDlg.h"
#include "app/ui/CheckCredentialDlg.h"
#include "app/ui/StartupHooks.h"
#include "app/ui/TitleRegistry.h"
#include "logview/KestraExtView.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"
#include "progress/ProgressWnd.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"
#include "settings/PrivateProfile.h"
#include "toolkit/MiraboToolkit.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace {

const QString kKestra = QStringLiteral("Kestra");
const QString kLogOnDisk = QStringLiteral("LogOnDisk");

// An error box captioned with the application title. Start-up boxes have no parent: the main window
// is disabled while the wait popup is up, and a box owned by it would be disabled too.
void ErrorBox(const StartupHooks* hooks, const QString& text, bool topmost = false) {
    if (hooks && hooks->messageBox)
        hooks->messageBox(text, topmost);
    else
        res::ShowMessageBox(nullptr, text, res::MessageIcon::Error, topmost);
}

// The wait popup as start-up and shut-down use it: one line, no bar, no Cancel button, modal.
void ShowWaitNotice(CProgressWnd& popup, const QString& text) {
    popup.ShowCancelButton(false);
    popup.ShowBar(false);
    popup.BeginModal(QStringLiteral("Progress"), false);
    popup.ResizeForText(1, 300);
    popup.UpdateWindow();
    popup.SetMessage(text);
    popup.UpdateWindow();
}

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

QString SingleInstanceTitle(const QString& host) {
    const QString station = IsLocalStation(host) ? res::String(ids::IDS_LOCAL) : host;
    return res::String(ids::IDS_DOC_TITLE) + QStringLiteral(": <") + station + QStringLiteral("> - ");
}

bool CKestraExtApp::InitInstance() {
    const StartupHooks* hooks = m_pStartupHooks;

    // The toolkit for this thread.
    ToolkitInit();
    m_bStarting = 1;

    // Folders and settings files.
    const QString modulePath = hooks && !hooks->modulePath.isEmpty() ? hooks->modulePath : CurrentExecutablePath();
    m_strExeFolder = ExecutableFolder(modulePath);
    m_strUserFolder = GetSettingsFolder(modulePath, 260);
    EnsureSettingsFolder(m_strUserFolder);
    m_strExeIniPath = m_strExeFolder + QStringLiteral("KestraExt.ini");
    m_strUserIniPath = m_strUserFolder + QStringLiteral("KestraExt.ini");
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_strLogFolder = m_strUserFolder;
    }

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
    ShowWaitNotice(popup, res::FormatString(ids::IDS_CONNECTING, {m_strHost}));

    // Logon, when the service demands one.
    const int32_t polling =
        profile::GetPrivateProfileInt(QStringLiteral("Options"), QStringLiteral("HTTPPolling"), 10, m_strExeIniPath);
    QString user = m_strUserName;
    QString password = m_strPassword;
    int32_t reserved = 0;
    if (LinkLogonRequired(m_strHost, m_nPort, m_strProxyHost, m_nProxyPort, m_strWtg, polling, &reserved) != 0) {
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
                ErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
                return false;
            }
        }
        // A refused logon is told the same way: the program cannot work without it.
        if (LinkLogon(user, password, fromCommandLine) != 0) {
            ErrorBox(hooks, res::String(ids::IDS_INVALID_CREDENTIAL));
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
        profile::GetPrivateProfileString(kLogOnDisk, QStringLiteral("FileName"), QString(), 260, m_strUserIniPath);
    CKestraExtView::ApplyAlwaysOnTop(m_pMainWnd, m_bAlwaysOnTop.load() != 0);

    // Started.
    m_bStarting = 0;
    closeDeferral.Release();
    return true;
}

int CKestraExtApp::ExitInstance() {
    if (m_pWorkerThread) {
        StopWorker();
        profile::WritePrivateProfileString(kKestra, QStringLiteral("AlwaysOnTop"),
                                           QString::number(m_bAlwaysOnTop.load()), m_strUserIniPath);
        std::lock_guard<std::mutex> guard(m_lock);
        m_lstTags.clear();
    }
    ToolkitExit();
    FreeLanguageModule(&m_hResourceModule);
    res::SetCurrentModule(nullptr);
    return 0;
}
