// The start-up and shut-down sequence against a real mirabo-logd.
#include "StartupFixture.h"
#include "common/WaitFor.h"

#include "app/CheckCredentialDlg.h"
#include "app/KestraStartup.h"
#include "desktop/TitleRegistry.h"
#include "logview/MainFrame.h"
#include "logview/logic/DocumentTitle.h"
#include "progress/ProgressWnd.h"
#include "res/Ids.h"
#include "settings/PrivateProfile.h"
#include "toolkit/MiraboToolkit.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>

#include <atomic>
#include <csignal>
#include <chrono>
#include <thread>

namespace {

const QString kInvalidCredential = QStringLiteral("Invalid Credential");

CProgressWnd* VisiblePopup() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* popup = qobject_cast<CProgressWnd*>(widget); popup && popup->isVisible())
            return popup;
    }
    return nullptr;
}

QString AlwaysOnTopKey(const QString& ini) {
    return profile::GetPrivateProfileString(QStringLiteral("Kestra"), QStringLiteral("AlwaysOnTop"),
                                            QStringLiteral("<missing>"), 32, ini);
}

// A worker whose first connection attempt never ends until it is stopped, and then fails, as an
// interrupted open of the real worker does.
std::unique_ptr<std::thread> SilentWorker(WorkerParts parts) {
    return std::make_unique<std::thread>([&channel = parts.channel] {
        while (channel.m_bStopWorker.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        channel.m_hrConnect = MIRABO_E_FAIL;
    });
}

// The text of a standard Cancel button.
QString StandardCancelText() {
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    return buttons.button(QDialogButtonBox::Cancel)->text();
}

} // namespace

TEST_F(StartupTest, NormalStartShowsTheWindowAndExitStoresKeepOnTop) {
    ASSERT_TRUE(m_logd->start());
    CKestraExtApp& app = NewApp(PortSwitch() + QStringLiteral(" /slowconnection"));
    ASSERT_TRUE(Start(app)) << (m_boxes.isEmpty() ? "" : m_boxes[0].toStdString());
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(app.m_window.m_bStarting.load(), 0);
    EXPECT_EQ(app.m_channel.m_bConnected.load(), 1);
    EXPECT_EQ(app.m_channel.m_nMaxTextLength.load(), 4096);
    ASSERT_NE(app.m_pMainWnd, nullptr);
    EXPECT_TRUE(app.m_pMainWnd->isVisible());
    EXPECT_TRUE(app.m_pMainWnd->isEnabled()); // the wait popup is gone
    EXPECT_EQ(VisiblePopup(), nullptr);
    EXPECT_EQ(app.m_paths.m_strUserIniPath, UserIni());
    EXPECT_EQ(app.m_paths.m_strExeIniPath, ExeFolder() + QStringLiteral("KestraExt.ini"));
    EXPECT_EQ(app.m_hResourceModule, res::OwnModule());
    EXPECT_FALSE(QApplication::windowIcon().isNull()); // every window carries the program's icon

    // The window is findable by the connected title once the view has shown the link.
    const QString title = QStringLiteral("Kestra: <LOCAL> - ");
    EXPECT_EQ(SingleInstanceTitle(QStringLiteral("LocalHost")), title);
    EXPECT_EQ(SingleInstanceTitle(QStringLiteral("localhost")),
              viewlogic::ComposeDocumentTitle(QString(), true) + QStringLiteral(" - "));
    EXPECT_TRUE(WaitForEvents([&] { return app.m_pMainWnd->windowTitle() == title; }));
    EXPECT_TRUE(TitleRegistry::Find(title));

    app.m_window.m_bAlwaysOnTop = 1;
    EXPECT_EQ(Finish(app), 0);
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("1"));
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
    EXPECT_EQ(app.m_hResourceModule, nullptr);
    EXPECT_FALSE(TitleRegistry::Find(title));
}

TEST_F(StartupTest, AStationThatStopsAnsweringHoldsNeitherTheLogMenuNorTheOpcDialog) {
    ASSERT_TRUE(m_logd->start());
    CKestraExtApp& app = NewApp(PortSwitch());
    ASSERT_TRUE(Start(app)) << (m_boxes.isEmpty() ? "" : m_boxes[0].toStdString());
    // The worker reads the OPC values in its first cycles; the menu then shows the station's switch.
    ASSERT_TRUE(WaitFor([&] { return app.m_channel.StationOpc(kOpcKindUa).known; }, 10000));
    OpcStationValues ua = app.m_channel.StationOpc(kOpcKindUa);

    // The station stops answering while its connection stays open.
    const pid_t service = static_cast<pid_t>(m_logd->pid());
    ASSERT_EQ(::kill(service, SIGSTOP), 0);
    QElapsedTimer clock;
    clock.start();
    QMenu* logMenu = app.m_pMainWnd->menuBar()->actions().at(2)->menu();
    Q_EMIT logMenu->aboutToShow();
    EXPECT_TRUE(app.m_pMainWnd->Action(ids::ID_LOG_OPC_UA)->isEnabled());
    EXPECT_EQ(app.m_pMainWnd->Action(ids::ID_LOG_OPC_UA)->isChecked(), ua.switchValue != 0);
    bool enableShown = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        enableShown = dialog->findChild<QCheckBox*>() != nullptr;
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    app.m_pMainWnd->RunCommand(ids::ID_LOG_OPC_UA);
    const qint64 took = clock.elapsed();
    ::kill(service, SIGCONT);
    EXPECT_TRUE(enableShown);
    // A request on the window thread would have waited for the link's time-out (60 s).
    EXPECT_LT(took, 30000);
    Finish(app);
}

TEST_F(StartupTest, KeepOnTopAndLogOnDiskAreReadAfterTheConnection) {
    ASSERT_TRUE(m_logd->start());
    QDir().mkpath(UserFolder());
    profile::WritePrivateProfileString(QStringLiteral("Kestra"), QStringLiteral("AlwaysOnTop"), QStringLiteral("1"),
                                       UserIni());
    profile::WritePrivateProfileString(QStringLiteral("LogOnDisk"), QStringLiteral("Type"), QStringLiteral("2"),
                                       UserIni());
    profile::WritePrivateProfileString(QStringLiteral("LogOnDisk"), QStringLiteral("FileName"),
                                       QStringLiteral("custom.log"), UserIni());
    CKestraExtApp& app = NewApp(PortSwitch());
    ASSERT_TRUE(Start(app));
    EXPECT_EQ(app.m_window.m_bAlwaysOnTop.load(), 1);
    EXPECT_TRUE(app.m_pMainWnd->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(app.m_logOnDisk.m_nLogOnDiskType.load(), 2);
    EXPECT_EQ(app.m_logOnDisk.m_strLogOnDiskFile, QStringLiteral("custom.log"));
    EXPECT_EQ(app.m_channel.m_nMaxTextLength.load(), 16000);
}

TEST_F(StartupTest, SecondStartForTheSameStationBringsTheFirstToFront) {
    ASSERT_TRUE(m_logd->start());
    CKestraExtApp& first = NewApp(PortSwitch());
    ASSERT_TRUE(Start(first));
    ASSERT_TRUE(WaitForEvents([&] { return first.m_pMainWnd->windowTitle() == QStringLiteral("Kestra: <LOCAL> - "); }));
    first.m_pMainWnd->showMinimized();

    // "localhost" in other letters is the same station; so is no /dsip: at all.
    CKestraExtApp& second = NewApp(PortSwitch() + QStringLiteral(" /dsip:LOCALHOST"));
    EXPECT_FALSE(Start(second));
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(second.m_pMainWnd, nullptr);
    EXPECT_EQ(second.m_pWorkerThread, nullptr);
    EXPECT_TRUE(WaitForEvents([&] { return !first.m_pMainWnd->isMinimized(); }));
    Finish(second);
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("<missing>"));

    // Another station starts normally.
    CKestraExtApp& other = NewApp(PortSwitch() + QStringLiteral(" /dsip:127.0.0.1"));
    EXPECT_TRUE(Start(other));
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(StartupTest, DisconnectedInstanceDoesNotBlockASecondStart) {
    ASSERT_TRUE(m_logd->start());
    CKestraExtApp& first = NewApp(PortSwitch());
    ASSERT_TRUE(Start(first));
    m_logd->kill();
    ASSERT_TRUE(WaitForEvents([&] { return first.m_pMainWnd->windowTitle().contains(QStringLiteral("Disconnected")); },
                        10000));
    ASSERT_TRUE(m_logd->restart());
    CKestraExtApp& second = NewApp(PortSwitch());
    EXPECT_TRUE(Start(second)) << (m_boxes.isEmpty() ? "" : m_boxes[0].toStdString());
}

TEST_F(StartupTest, NoServiceEndsWithTheConnectionMessageAndNoWindow) {
    const RefusingPort refusing;
    CKestraExtApp& app = NewApp(QStringLiteral("/dsport:%1").arg(refusing.Port()));
    EXPECT_FALSE(Start(app));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_NE(app.m_channel.m_hrConnect.load(), 0);
    EXPECT_EQ(m_boxes[0], ConnectFailureMessage(QStringLiteral("localhost"), app.m_channel.m_hrConnect.load()));
    EXPECT_LT(m_startMs, 5000); // the first failure ends the wait at once
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
    EXPECT_EQ(app.m_window.m_bStarting.load(), 1);
    EXPECT_EQ(Finish(app), 0);
    EXPECT_EQ(VisiblePopup(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("<missing>"));
}

TEST_F(StartupTest, ConnectionMessagesByResultCode) {
    EXPECT_EQ(ConnectFailureMessage(QStringLiteral("localhost"), MIRABO_E_ABORT),
              QStringLiteral("User access to resource denied.\nPlease check your user groups permission."));
    EXPECT_EQ(ConnectFailureMessage(QStringLiteral("plant7"), MIRABO_E_ACCESSDENIED),
              QStringLiteral("Connection denied or server not found."));
    EXPECT_EQ(ConnectFailureMessage(QString(), MIRABO_E_FAIL),
              QStringLiteral("Error connecting to 'LOCAL' (-2147467259) .\nPlease make sure that 'TCP/IP Server' "
                             "is running on the remote station."));
    EXPECT_EQ(ConnectFailureMessage(QStringLiteral("50%d"), 0),
              QStringLiteral("Error connecting to '50%d' (0) .\nPlease make sure that 'TCP/IP Server' is running "
                             "on the remote station."));
}

TEST_F(StartupTest, StationThatNeverAnswersEndsWithCodeZeroAtTheStartLimit) {
    // The logon check gives up after at most 10 s and the worker's open waits longer than the start-up
    // limit (60 s in the program), so the limit is what the user sees, with code 0.
    static_assert(MIRABO_OPEN_TIMEOUT_MS > 60000, "the start-up limit comes before the open's time-out");
    const SilentStation station;
    m_hooks.startWaitLimitMs = 1500;
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg&) { return ++m_dialogRuns, 2; };
    CKestraExtApp& app = NewApp(QStringLiteral("/dsport:%1").arg(station.Port()));
    EXPECT_FALSE(Start(app));
    EXPECT_EQ(m_dialogRuns, 0);
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], ConnectFailureMessage(QStringLiteral("localhost"), 0));
    EXPECT_GE(m_startMs, m_hooks.startWaitLimitMs);
    EXPECT_LT(m_startMs, MIRABO_LOGON_CHECK_TIMEOUT_MS + m_hooks.startWaitLimitMs + 5000);
    EXPECT_EQ(app.m_pWorkerThread, nullptr); // StartWorker has stopped it

    // After OK the program is gone within 5 s.
    QElapsedTimer afterOk;
    afterOk.start();
    Finish(app);
    EXPECT_LT(afterOk.elapsed(), 5000);
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("<missing>"));
}

TEST_F(StartupTest, WrappedTickCounterRestartsTheWait) {
    ASSERT_TRUE(m_logd->start());
    m_hooks.startWaitLimitMs = 250;
    m_hooks.startWorkerThread = SilentWorker;
    // Each reading moves 100 ms on, starting 100 ms before the counter wraps.
    auto clock = std::make_shared<uint32_t>(0xFFFFFFFFu - 99u);
    auto readings = std::make_shared<int>(0);
    m_hooks.tickCount = [clock, readings] {
        ++*readings;
        const uint32_t now = *clock;
        *clock += 100u;
        return now;
    };
    CKestraExtApp& app = NewApp(PortSwitch());
    EXPECT_FALSE(Start(app));
    // Start at -100, wrap to 0 (the window starts again), then 100, 200, 300: 300 - 0 > 250 ends it.
    EXPECT_EQ(*readings, 5);
    // The limit ended the wait: code 0, whatever the stopped attempt stored afterwards.
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], ConnectFailureMessage(QStringLiteral("localhost"), 0));
}

TEST_F(StartupTest, ThreadNotCreated) {
    ASSERT_TRUE(m_logd->start());
    m_hooks.startWorkerThread = [](WorkerParts) { return std::unique_ptr<std::thread>(); };
    CKestraExtApp& app = NewApp(PortSwitch());
    EXPECT_FALSE(Start(app));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], QStringLiteral("Could not create thread!"));
    Finish(app);
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("<missing>"));
}

TEST_F(StartupTest, LogonWithTheDialogWhileTheWaitNoticeIsUp) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    QString popupText;
    bool mainDisabled = false;
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg& dialog) {
        ++m_dialogRuns;
        if (CProgressWnd* popup = VisiblePopup())
            popupText = popup->Message();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<CMainFrame*>(widget))
                mainDisabled = !widget->isEnabled();
        dialog.m_strUserName = QStringLiteral("operator");
        dialog.m_strPassword = QStringLiteral("operator-demo");
        return 1;
    };
    CKestraExtApp& app = NewApp(PortSwitch() + QStringLiteral(" /password:ignored"));
    EXPECT_TRUE(Start(app)) << (m_boxes.isEmpty() ? "" : m_boxes[0].toStdString());
    EXPECT_EQ(m_dialogRuns, 1);
    EXPECT_EQ(popupText, QStringLiteral("Connecting to localhost ..."));
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(StartupTest, LogonFromTheCommandLineNeedsNoDialog) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg&) { return ++m_dialogRuns, 2; };
    CKestraExtApp& app = NewApp(PortSwitch() + QStringLiteral(" /username:operator /password:operator-demo"));
    EXPECT_TRUE(Start(app)) << (m_boxes.isEmpty() ? "" : m_boxes[0].toStdString());
    EXPECT_EQ(m_dialogRuns, 0);

    // A user name alone suppresses the dialog too; the empty password is refused.
    CKestraExtApp& noPassword = NewApp(PortSwitch() + QStringLiteral(" /dsip:127.0.0.1 /username:operator"));
    EXPECT_FALSE(Start(noPassword));
    EXPECT_EQ(m_dialogRuns, 0);
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], kInvalidCredential);
    EXPECT_EQ(noPassword.m_pWorkerThread, nullptr);
}

TEST_F(StartupTest, CancelledDialogEndsWithInvalidCredential) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg&) { return ++m_dialogRuns, 2; };
    CKestraExtApp& app = NewApp(PortSwitch());
    EXPECT_FALSE(Start(app));
    EXPECT_EQ(m_dialogRuns, 1);
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], kInvalidCredential);
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
    Finish(app);
    EXPECT_EQ(VisiblePopup(), nullptr);
    EXPECT_EQ(AlwaysOnTopKey(UserIni()), QStringLiteral("<missing>"));
}

TEST_F(StartupTest, RefusedLogonEndsWithInvalidCredential) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg& dialog) {
        ++m_dialogRuns;
        dialog.m_strUserName = QStringLiteral("operator");
        dialog.m_strPassword = QStringLiteral("wrong");
        return 1;
    };
    CKestraExtApp& app = NewApp(PortSwitch());
    EXPECT_FALSE(Start(app));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], kInvalidCredential);
    EXPECT_EQ(app.m_pWorkerThread, nullptr);
}

TEST_F(StartupTest, NoLogonDemandedMeansNoDialogEvenWithCredentials) {
    ASSERT_TRUE(m_logd->start());
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg&) { return ++m_dialogRuns, 2; };
    CKestraExtApp& app = NewApp(PortSwitch() + QStringLiteral(" /username:nobody /password:nothing"));
    EXPECT_TRUE(Start(app));
    EXPECT_EQ(m_dialogRuns, 0);
    EXPECT_TRUE(m_boxes.isEmpty());
}

TEST_F(StartupTest, UserWithoutLogAccessIsTold) {
    // A user that may log on but not read the log.
    QProcess add;
    add.start(QStringLiteral(KESTRA_BIN_DIR "/mirabo-logd"),
              {QStringLiteral("--project"), m_logd->projectDir(), QStringLiteral("--add-user"),
               QStringLiteral("viewer"), QStringLiteral("--no-log-access")});
    ASSERT_TRUE(add.waitForStarted());
    add.write("viewer-pass\n");
    add.closeWriteChannel();
    ASSERT_TRUE(add.waitForFinished(10000));
    ASSERT_EQ(add.exitCode(), 0) << add.readAllStandardError().toStdString();

    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    CKestraExtApp& app = NewApp(PortSwitch() + QStringLiteral(" /username:viewer /password:viewer-pass"));
    EXPECT_FALSE(Start(app));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(app.m_channel.m_hrConnect.load(), MIRABO_E_ABORT);
    EXPECT_EQ(m_boxes[0],
              QStringLiteral("User access to resource denied.\nPlease check your user groups permission."));
}

TEST_F(StartupTest, LanguageIsChosenBeforeTheTitleAndTheMessages) {
    // A German bundle beside the program and the culture in the user's product settings.
    QDir().mkpath(ExeFolder() + QStringLiteral("de"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KESTRA_SOURCE_DIR "/res/lang/de/kestra-mui.ini"),
                            ExeFolder() + QStringLiteral("de/kestra-mui.ini")));
    QDir().mkpath(UserFolder());
    profile::WritePrivateProfileString(QStringLiteral("Language"), QStringLiteral("CultureName"),
                                       QStringLiteral("de-DE"), UserFolder() + QStringLiteral("Program Settings.ini"));

    ASSERT_TRUE(m_logd->start());
    CKestraExtApp& app = NewApp(PortSwitch());
    ASSERT_TRUE(Start(app));
    ASSERT_NE(app.m_hResourceModule, res::OwnModule());
    EXPECT_EQ(app.m_pMainWnd->Action(ids::ID_FILE_SAVE)->text(), QStringLiteral("&Speichern (log.txt)\tStrg+S"));
    EXPECT_TRUE(WaitForEvents([&] { return app.m_pMainWnd->windowTitle() == QStringLiteral("Kestra: <LOKAL> - "); }));
    EXPECT_EQ(StandardCancelText(), QStringLiteral("Abbrechen")); // Qt's standard dialogs speak German too

    // A second start finds the German title, which it builds from the bundle too.
    CKestraExtApp& second = NewApp(PortSwitch());
    EXPECT_FALSE(Start(second));
    EXPECT_TRUE(m_boxes.isEmpty());
    Finish(second);
    Finish(app);
    EXPECT_EQ(res::String(ids::IDS_LOCAL), QStringLiteral("LOCAL")); // the bundle is gone again
    EXPECT_EQ(StandardCancelText(), QStringLiteral("Cancel"));

    // Without the service the failure is told in German.
    m_logd->stop();
    CKestraExtApp& failing = NewApp(PortSwitch());
    EXPECT_FALSE(Start(failing));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(m_boxes[0].startsWith(QStringLiteral("Verbindung verweigert")) ||
                m_boxes[0].startsWith(QStringLiteral("Fehler beim Verbinden mit 'LOKAL'")))
        << m_boxes[0].toStdString();
}

TEST_F(StartupTest, CloseRequestedDuringStartupIsMadeAfterwards) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--require-logon")}));
    bool stillOpen = false;
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg& dialog) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<CMainFrame*>(widget)) {
                widget->close();
                stillOpen = widget->isVisible();
            }
        }
        dialog.m_strUserName = QStringLiteral("operator");
        dialog.m_strPassword = QStringLiteral("operator-demo");
        return 1;
    };
    CKestraExtApp& app = NewApp(PortSwitch());
    ASSERT_TRUE(Start(app));
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(app.m_pMainWnd->isVisible());
    EXPECT_TRUE(WaitForEvents([&] { return !app.m_pMainWnd->isVisible(); }));
}

TEST_F(StartupTest, TextFetchedButNotYetShownReachesTheLogFileAtExit) {
    ASSERT_TRUE(m_logd->start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
    const QString logFile = m_home->path() + QStringLiteral("/kept.log");
    QDir().mkpath(UserFolder());
    profile::WritePrivateProfileString(QStringLiteral("LogOnDisk"), QStringLiteral("Type"),
                                       QStringLiteral("2"), UserIni());
    profile::WritePrivateProfileString(QStringLiteral("LogOnDisk"), QStringLiteral("FileName"), logFile,
                                       UserIni());
    CKestraExtApp& app = NewApp(PortSwitch());
    ASSERT_TRUE(Start(app));

    // No event is processed from here on, so no tick of the view takes the text: it stays pending. The
    // link then drops before the next tick, and the user exits.
    ASSERT_TRUE(m_logd->inject(-1, QStringLiteral("fetched, never shown")));
    ASSERT_TRUE(WaitFor(
        [&] { return app.m_channel.PendingText().contains(QStringLiteral("fetched, never shown")); }));
    m_logd->kill();
    ASSERT_TRUE(WaitFor([&] { return app.m_channel.m_bConnected.load() == 0; }));
    Finish(app);
    QFile file(logFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("fetched, never shown\r\n"));
}

TEST_F(StartupTest, PasswordIsGoneFromTheProcessArguments) {
    ASSERT_TRUE(m_logd->start());
    QProcess kestra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    kestra.setProcessEnvironment(env);
    kestra.start(QStringLiteral(KESTRA_BIN_DIR "/kestra"),
                 {PortSwitch(), QStringLiteral("/dsip:127.0.0.1"), QStringLiteral("/password:top-secret")});
    ASSERT_TRUE(kestra.waitForStarted());
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(kestra.processId()));
    QByteArray arguments;
    // Before the program runs the arguments are the test's own; once it has read them the password is gone.
    const bool hidden = WaitForEvents(
        [&] {
            arguments = cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll() : QByteArray();
            cmdline.close();
            return arguments.contains("/dsip:127.0.0.1") && !arguments.contains("top-secret");
        },
        10000);
    kestra.kill();
    kestra.waitForFinished();
    EXPECT_TRUE(hidden) << QString::fromUtf8(arguments).replace(QChar(0), QChar(u' ')).toStdString();
    EXPECT_TRUE(arguments.contains(PortSwitch().toUtf8()));
}
