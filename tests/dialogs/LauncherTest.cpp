// The database tool launcher: its command line, a start that fails, and a real HalcyteExt started,
// brought to the front and started again after it ended.
#include "app/EnvGuard.h"
#include "desktop/TitleRegistry.h"
#include "dialogs/HalcyteLauncher.h"
#include "common/StationParts.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A loopback port of this test's own that refuses every connection: bound, never listening.
struct RefusingPort {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
    RefusingPort() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
    }
    ~RefusingPort() { ::close(fd); }
};

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
    StationParts shared;
    CHalcyteLauncher launcher(shared.m_options, dir.path() + "/kestra", nullptr);
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

    StationParts shared;
    shared.m_options.m_strHost = " localhost ";
    const RefusingPort refusing; // nothing answers there: the tool says so in its window
    shared.m_options.m_nPort = refusing.port;
    CHalcyteLauncher launcher(shared.m_options, QStringLiteral(KESTRA_BIN_DIR "/kestra"), nullptr);
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
