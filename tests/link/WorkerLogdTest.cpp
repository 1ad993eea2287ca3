// The connection worker against the real stand-in service: first-attempt failure, loss and reconnect
// with everything read again, pause, the log folder per host, and how fast a stop is obeyed.
#include "FakeLogService.h"
#include "WorkerTestUtil.h"
#include "common/LogdProcess.h"
#include "link/LogCategories.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"
#include "service/LogdClient.h"
#include "settings/PrivateProfile.h"

#include <gtest/gtest.h>

#include <QJsonArray>

// The log-category rules by command id, as the Log menu applies them.
using viewlogic::CategoryUpdateState;
using viewlogic::ToggleCategory;

namespace {

const QStringList kQuietService{QStringLiteral("--sim-interval"), QStringLiteral("0")};
constexpr int kTrace = 3;
constexpr int kDisplay = 4;
constexpr int kOpcNetSwitch = 13;

// Injects a marker to every client and waits until the worker fetched it: everything injected before
// has been through the service by then.
bool Flush(LogdProcess& logd, WorkerFixtureState& s, const QString& marker) {
    return logd.inject(-1, marker) && WaitForEvents([&] { return s.pending().contains(marker); });
}

// Waits until the worker has ended a whole cycle that began after this call: a change queued now is
// taken by the next cycle's send step, one queued after that by the cycle after it. (The change keeps
// a switch off that is off: OPC .Net.)
bool CycleEnded(WorkerFixtureState& s) {
    for (int i = 0; i < 2; ++i) {
        s.queueSwitch(kOpcNetSwitch, 0);
        if (!WaitForEvents([&] { return s.switchQueueEmpty(); }))
            return false;
    }
    return true;
}

// Waits until the worker sent its queued switch changes: the queue is empty and a fetch (which follows
// the send step of the same cycle) has brought a marker since.
bool SwitchesSent(LogdProcess& logd, WorkerFixtureState& s, const QString& marker) {
    return WaitForEvents([&] { return s.switchQueueEmpty(); }) && Flush(logd, s, marker);
}

} // namespace

TEST(WorkerLogd, FailedFirstAttemptGivesUpWithTheCode) {
    FakeServiceSettings refusing;
    refusing.refusing = true;
    FakeLogService service(refusing);
    WorkerFixtureState s(service.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_hrConnect.load() != 0; }));
    EXPECT_EQ(s.app.m_channel.m_hrConnect.load(), MIRABO_E_ACCESSDENIED);
    EXPECT_EQ(s.app.m_channel.m_bConnected.load(), 0);

    // A service that appears now is never tried, not even after a retry's pause: the worker gave up.
    ASSERT_TRUE(service.listen());
    EXPECT_FALSE(WaitForEvents([&] { return service.accepted() > 0; }, kWorkerRetryMs + 500));
    EXPECT_EQ(s.app.m_channel.m_bConnected.load(), 0);
    EXPECT_EQ(s.app.m_channel.m_hrConnect.load(), MIRABO_E_ACCESSDENIED);
    EXPECT_LT(worker.stop().count(), kStopWithinMs);
}

TEST(WorkerLogd, ReconnectReadsEverythingAgainAndSendsTheQueueInOrder) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuietService));
    WorkerFixtureState s(logd.port(), QStringLiteral("localhost"));
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    EXPECT_EQ(s.app.m_channel.m_hrConnect.load(), MIRABO_OK);
    EXPECT_EQ(s.logFolder(), logd.projectDir() + QLatin1Char('/'));
    EXPECT_EQ(s.fontName(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(s.tags(), (QStringList{QStringLiteral("Tank1.Level"), QStringLiteral("Pump1.Running")}));

    // A toggle reaches the service: the category's lines now arrive.
    ToggleCategory(s.app.m_categories, s.app.m_channel, ids::ID_LOG_LOGON);
    ASSERT_EQ(s.app.m_categories.m_nLogLogon.load(), 1);
    ASSERT_TRUE(SwitchesSent(logd, s, QStringLiteral("sent-1")));
    ASSERT_TRUE(logd.inject(5, QStringLiteral("logon-line")));
    ASSERT_TRUE(Flush(logd, s, QStringLiteral("marker-1")));
    EXPECT_TRUE(s.pending().contains(QStringLiteral("logon-line")));

    logd.kill();
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 0; }));

    // While the service is away: changes wait in the queue, the stores change, the folder is moved.
    s.queueSwitch(kTrace, 1);
    s.queueSwitch(kTrace, 0);
    s.queueSwitch(kDisplay, 1);
    const QString config = logd.projectDir() + QStringLiteral("/config.ini");
    const QString store = logd.projectDir() + QStringLiteral("/profile.ini");
    ASSERT_TRUE(profile::WritePrivateProfileString("Font", "FontName", "Liberation Mono", config));
    ASSERT_TRUE(profile::WritePrivateProfileString("Font", "CharSet", "238", config));
    ASSERT_TRUE(profile::WritePrivateProfileString("Kestra", "TagCount", "3", store));
    ASSERT_TRUE(profile::WritePrivateProfileString("Kestra", "Tag1", "Mixer.State", store));
    ASSERT_TRUE(profile::WritePrivateProfileString("Kestra", "Tag2", "No.Such.Tag", store));
    ASSERT_TRUE(profile::WritePrivateProfileString("Kestra", "Tag3", "Tank2.Level", store));
    s.app.m_channel.SetLogFolder(QStringLiteral("/elsewhere/"));

    ASSERT_TRUE(logd.restart());
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    EXPECT_EQ(s.app.m_categories.m_nLogLogon.load(), 0) << "the new service's value, not the old toggle";
    EXPECT_EQ(s.fontName(), QStringLiteral("Liberation Mono"));
    EXPECT_EQ(s.charSet(), 238);
    EXPECT_EQ(s.tags(), (QStringList{QStringLiteral("Mixer.State"), QStringLiteral("Tank2.Level")}));
    EXPECT_EQ(s.logFolder(), logd.projectDir() + QLatin1Char('/'));

    // The queue went out in order: trace ends off, display on.
    ASSERT_TRUE(SwitchesSent(logd, s, QStringLiteral("sent-2")));
    ASSERT_TRUE(logd.inject(kTrace, QStringLiteral("trace-line")));
    ASSERT_TRUE(logd.inject(kDisplay, QStringLiteral("display-line")));
    ASSERT_TRUE(Flush(logd, s, QStringLiteral("marker-2")));
    EXPECT_FALSE(s.pending().contains(QStringLiteral("trace-line")));
    EXPECT_TRUE(s.pending().contains(QStringLiteral("display-line")));
}

TEST(WorkerLogd, PausedTextIsDiscardedAtTheSource) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuietService));
    WorkerFixtureState s(logd.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    ASSERT_TRUE(Flush(logd, s, QStringLiteral("before-pause")));
    // Another client that reads every injected line: once it has one, the service has queued it for
    // every client.
    LogdClient observer(logd.port());
    ASSERT_FALSE(observer.hello(QStringLiteral("observer")).isEmpty());
    observer.call(QStringLiteral("log.output"), {{QStringLiteral("enable"), true}});

    s.app.m_channel.m_bPaused = 1;
    ASSERT_TRUE(CycleEnded(s)) << "every fetch from now on sees the pause";
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("while-paused")));
    ASSERT_TRUE(WaitForEvents([&] {
        return observer
            .call(QStringLiteral("log.read"), {{QStringLiteral("max"), 65536}, {QStringLiteral("ack"), 0}})
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("text"))
            .toString()
            .contains(QStringLiteral("while-paused"));
    }));
    ASSERT_TRUE(CycleEnded(s)) << "a paused cycle has discarded what waited";
    EXPECT_FALSE(s.pending().contains(QStringLiteral("while-paused")));
    EXPECT_TRUE(s.pending().contains(QStringLiteral("before-pause"))) << "fetched text stays pending";

    s.app.m_channel.m_bPaused = 0;
    ASSERT_TRUE(CycleEnded(s)) << "no discard of a paused cycle can follow the next line";
    ASSERT_TRUE(Flush(logd, s, QStringLiteral("after-pause")));
    EXPECT_FALSE(s.pending().contains(QStringLiteral("while-paused")));
}

TEST(WorkerLogd, LogFolderBecomesTheProjectFolderOnlyForTheLocalStation) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuietService));
    const QString project = logd.projectDir() + QLatin1Char('/');
    for (const QString& host : {QStringLiteral("localhost"), QStringLiteral("LOCALHOST"), QString()}) {
        WorkerFixtureState s(logd.port(), host);
        WorkerRun worker(s.app);
        ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; })) << host.toStdString();
        EXPECT_EQ(s.logFolder(), project) << "host \"" << host.toStdString() << '"';
    }
    WorkerFixtureState s(logd.port(), QStringLiteral("127.0.0.1"));
    const QString before = s.logFolder();
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    EXPECT_EQ(s.logFolder(), before);
}

TEST(WorkerLogd, StopsPromptlyWhenConnectedAndWhileRetrying) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuietService));
    {
        WorkerFixtureState s(logd.port());
        WorkerRun worker(s.app);
        ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
        EXPECT_LT(worker.stop().count(), kStopWithinMs) << "connected";
        EXPECT_EQ(s.app.m_channel.m_bConnected.load(), 1) << "the end leaves the flag alone";
    }
    WorkerFixtureState s(logd.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    logd.kill();
    // The first attempt after the loss fails; the worker then sleeps 2000 ms before the next one.
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_hrConnect.load() != 0; }));
    EXPECT_EQ(s.app.m_channel.m_bConnected.load(), 0);
    EXPECT_LT(worker.stop().count(), kWorkerRetryMs) << "retry sleep";
}

TEST(WorkerLogd, RetriesEveryTwoSecondsAfterALoss) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuietService));
    WorkerFixtureState s(logd.port());
    WorkerRun worker(s.app);
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; }));
    // The failed attempt comes after the loss, the retry at least 2000 ms after that attempt.
    const auto lostAt = std::chrono::steady_clock::now();
    logd.kill();
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_hrConnect.load() != 0; }));
    EXPECT_EQ(s.app.m_channel.m_hrConnect.load(), MIRABO_E_ACCESSDENIED);
    ASSERT_TRUE(logd.restart());
    ASSERT_TRUE(WaitForEvents([&] { return s.app.m_channel.m_bConnected.load() == 1; })) << "a later failure is retried";
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - lostAt);
    EXPECT_GE(waited.count(), kWorkerRetryMs);
    EXPECT_EQ(s.app.m_channel.m_hrConnect.load(), MIRABO_OK);
}
