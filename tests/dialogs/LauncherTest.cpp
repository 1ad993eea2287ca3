// The database tool launcher: its command line, a start that fails, and a real HalcyteExt started,
// brought to the front and started again after it ended.
#include "app/EnvGuard.h"
#include "desktop/TitleRegistry.h"
#include "dialogs/HalcyteLauncher.h"
#include "link/KestraShared.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// Ends the tools this test started, however it ends.
struct StartedTools {
    QList<qint64> pids;
    ~StartedTools() {
        for (qint64 pid : pids)
            ::kill(static_cast<pid_t>(pid), SIGTERM);
    }
};

} // namespace

TEST(HalcyteLauncher, CommandLineKeepsThePathAndUpperCasesTheRest) {
    const QString line = HalcyteCommandLine("/opt/My Tools/bin/kestra", "HalcyteExt", "  plc-Host\t", 1234);
    EXPECT_EQ(line, "\"/opt/My Tools/bin/HalcyteExt\" /DSIP:PLC-HOST /DSPORT:1234");
    EXPECT_EQ(QProcess::splitCommand(line),
              QStringList({"/opt/My Tools/bin/HalcyteExt", "/DSIP:PLC-HOST", "/DSPORT:1234"}));
    EXPECT_EQ(HalcyteCommandLine("kestra", "HalcyteExt", "localhost", 80), "\"kestra/HalcyteExt\" /DSIP:LOCALHOST /DSPORT:80");
}

TEST(HalcyteLauncher, AToolThatCannotStartIsToldWithTheSystemErrorCode) {
    QTemporaryDir dir;
    CKestraExtShared shared;
    CHalcyteLauncher launcher(shared, dir.path() + "/kestra", nullptr);
    QStringList shown;
    launcher.m_showMessage = [&shown](const QString& text) { shown << text; };
    EXPECT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::Failed);

    QFile tool(dir.path() + "/HalcyteExt");
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.write("not a program\n");
    tool.close();
    ASSERT_TRUE(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::Failed);
    EXPECT_EQ(shown, QStringList({"Cannot execute Halcyte. Error code: 2", "Cannot execute Halcyte. Error code: 13"}));
    EXPECT_TRUE(launcher.m_strHalcyteTitle.isEmpty());
}

TEST(HalcyteLauncher, ASecondLaunchBringsTheRunningToolForward) {
    // A registry folder of this test's own, so that no other HalcyteExt on this desktop is found.
    QTemporaryDir runtime;
    EnvGuard env({"XDG_RUNTIME_DIR"});
    EnvGuard::set("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());

    CKestraExtShared shared;
    shared.m_strHost = " localhost ";
    shared.m_nPort = 1; // nothing listens there: the tool says so in its window
    CHalcyteLauncher launcher(shared, QStringLiteral(KESTRA_BIN_DIR "/kestra"), nullptr);
    launcher.m_nTitleWaitMs = 30000; // a loaded machine must not make the recorded title go missing
    launcher.m_showMessage = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };

    StartedTools tools;
    ASSERT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::Started);
    const qint64 first = launcher.m_nStartedPid;
    tools.pids << first;
    ASSERT_GT(first, 0);
    EXPECT_EQ(launcher.m_strHalcyteTitle, "HalcyteExt - <LOCAL>");
    EXPECT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::BroughtForward);
    EXPECT_EQ(launcher.m_nStartedPid, first);

    // Once that tool has ended, the next launch starts a new one.
    ::kill(static_cast<pid_t>(first), SIGTERM);
    tools.pids.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !TitleRegistry::Find(launcher.m_strHalcyteTitle, 200); }, 20000));
    EXPECT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::Started);
    tools.pids << launcher.m_nStartedPid;
    EXPECT_NE(launcher.m_nStartedPid, first);
    EXPECT_EQ(launcher.m_strHalcyteTitle, "HalcyteExt - <LOCAL>");
}
