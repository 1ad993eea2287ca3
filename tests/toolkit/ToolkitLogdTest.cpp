// The toolkit against the real stand-in service, mirabo-logd.
#include "ToolkitTestUtil.h"
#include "common/LogdProcess.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

// Opens and activates a link to `logd` with a short time-out.
MiraboLink openTo(const LogdProcess& logd) {
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_OK);
    LinkSetTimeout(link, 5000);
    LinkActivate(link);
    return link;
}

// Reads log text until `needle` shows up or `timeoutMs` passed; returns everything read.
QString readUntil(const QString& needle, int timeoutMs = 5000) {
    QString all;
    waitFor([&] {
        QString chunk;
        if (LogTextRead(&chunk, 16000) == MIRABO_OK)
            all += chunk;
        return all.contains(needle);
    }, timeoutMs);
    return all;
}

// Adds a user to the project of `logd` (before it starts) with the service's own --add-user.
bool addUser(const LogdProcess& logd, const QString& name, const QString& password, bool mayReadLog) {
    QProcess p;
    QStringList args{"--project", logd.projectDir(), "--add-user", name};
    if (!mayReadLog)
        args << "--no-log-access";
    p.start(QStringLiteral(KESTRA_BIN_DIR "/mirabo-logd"), args);
    if (!p.waitForStarted(5000))
        return false;
    p.write((password + "\n").toUtf8());
    p.closeWriteChannel();
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

} // namespace

TEST(ToolkitLogd, SwitchesStampAndOpcRoundTrip) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    EXPECT_EQ(SwitchGet(3), 0);
    EXPECT_EQ(SwitchSet(3, 1), MIRABO_OK);
    EXPECT_EQ(SwitchGet(3), 1);
    EXPECT_EQ(SwitchGet(0xFFFF) & 1, 1) << "the stand-in supports the mask";
    EXPECT_NE(SwitchGet(0xFFFF) & (1 << 4), 0) << "bit 4 is switch 3";
    EXPECT_EQ(DateTimeStampSet(1), MIRABO_OK);
    EXPECT_EQ(DateTimeStampGet(), 1);
    EXPECT_EQ(OpcLogParamGet(12, 4), -1);
    EXPECT_EQ(OpcLogParamSet(12, 4, 3), MIRABO_OK);
    EXPECT_EQ(OpcLogParamGet(12, 4), 3);
    QString path;
    EXPECT_EQ(ProjectFilePath("a.txt", &path), MIRABO_OK);
    EXPECT_TRUE(path.endsWith("a.txt")) << path.toStdString();
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}

TEST(ToolkitLogd, LinksOfOneProcessShareTheClientState) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink first = openTo(logd);
    EXPECT_EQ(SwitchSet(5, 1), MIRABO_OK);
    MiraboLink second = openTo(logd);
    EXPECT_EQ(SwitchGet(5), 1);
    LinkClose(second);
    LinkClose(first);
}

TEST(ToolkitLogd, InjectedTextArrivesAndIsDiscarded) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, "first line"));
    EXPECT_TRUE(readUntil("first line").contains("first line"));

    ASSERT_TRUE(logd.inject(-1, "dropped line"));
    // Injection goes through the service's input; let it reach the queue, then throw it away there.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(LogTextDiscard(), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, "after discard"));
    const QString after = readUntil("after discard");
    EXPECT_TRUE(after.contains("after discard"));
    EXPECT_FALSE(after.contains("dropped line"));
    LinkClose(link);
}

TEST(ToolkitLogd, SmallCapacityNeverLosesOrSplitsText) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    const QString smiley = QString::fromUcs4(U"\U0001F600");
    const QString line = "abc" + smiley + smiley + "xyz";
    ASSERT_TRUE(logd.inject(-1, line));
    QString all;
    ASSERT_TRUE(waitFor([&] {
        QString chunk;
        if (LogTextRead(&chunk, 4) != MIRABO_OK)
            return false;
        EXPECT_LE(chunk.size(), 4);
        if (!chunk.isEmpty()) {
            EXPECT_FALSE(chunk.back().isHighSurrogate());
        }
        all += chunk;
        return all.contains(line + "\r\n");
    }));
    LinkClose(link);
}

TEST(ToolkitLogd, KilledServiceIsNoticedOnAnIdleLink) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    EXPECT_EQ(LinkIsLost(link), 0);
    logd.kill();
    EXPECT_TRUE(waitFor([&] { return LinkIsLost(link) != 0; }));
    LinkClose(link);
    MiraboLink again = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &again), MIRABO_E_ACCESSDENIED) << "nobody listens any more";
}

TEST(ToolkitLogd, TwoThreadsAtOnce) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    std::atomic<int> failures{0};
    std::thread ui([&] {
        ToolkitInit();
        for (int i = 0; i < 200; ++i)
            if (OpcLogParamGet(11, 4) != -1)
                ++failures;
        ToolkitExit();
    });
    for (int i = 0; i < 200; ++i) {
        if (SwitchSet(2, i & 1) != MIRABO_OK || SwitchGet(2) != (i & 1))
            ++failures;
        QString text;
        if (LogTextRead(&text, 16000) != MIRABO_OK)
            ++failures;
    }
    ui.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}

// One case: the process keeps accepted credentials for its whole life.
TEST(ToolkitLogd, LogonAndReLogonAfterServiceRestart) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(addUser(logd, "tester", "s3cret pass", true));
    ASSERT_TRUE(logd.start({"--sim-interval", "0", "--require-logon"}));
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    int32_t reserved = 0;
    ASSERT_NE(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 0);
    EXPECT_NE(LinkLogon("tester", "wrong", 0), MIRABO_OK);
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    ASSERT_EQ(LinkLogon("tester", "s3cret pass", 1), MIRABO_OK);
    EXPECT_EQ(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 1)
        << "the check itself never sends a token";

    link = openTo(logd);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(SwitchSet(1, 1), MIRABO_OK);
    EXPECT_EQ(SwitchGet(1), 1);

    // A restarted service knows no tokens: the toolkit logs on again by itself.
    ASSERT_TRUE(logd.restart());
    EXPECT_TRUE(waitFor([&] { return LinkIsLost(link) != 0; }));
    LinkClose(link);
    link = openTo(logd);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(SwitchGet(1), 0) << "a new service starts with fresh client state";
    EXPECT_EQ(SwitchSet(1, 1), MIRABO_OK);
    LinkClose(link);

    // The user loses the right to read the log while the service is down: the re-logon succeeds, but
    // the link has no access and must not open.
    logd.stop();
    ASSERT_TRUE(addUser(logd, "tester", "s3cret pass", false));
    ASSERT_TRUE(logd.restart());
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    EXPECT_EQ(link, nullptr);
    EXPECT_FALSE(logd.errorOutput().contains("s3cret")) << "passwords never reach the service's log";
}

TEST(ToolkitLogd, UserWithoutLogRightGetsNoAccess) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(addUser(logd, "viewer", "pw", false));
    ASSERT_TRUE(logd.start({"--sim-interval", "0", "--require-logon"}));
    int32_t reserved = 0;
    ASSERT_NE(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 0);
    EXPECT_EQ(LinkLogon("viewer", "pw", 1), MIRABO_OK) << "the credentials are right";
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT) << "but the user may not read the log";
    EXPECT_EQ(link, nullptr);
}
