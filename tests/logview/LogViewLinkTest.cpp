// The log window with a real connection worker and a real stand-in service: injected text reaches the
// view and the day's log file in the project folder, "log.txt" lands beside them, and a lost service
// shows in the title within a tick. (Pause: the view's own test and the worker's test against the
// service.)
#include "LogViewFixture.h"

#include "common/LogdProcess.h"
#include "common/WaitFor.h"
#include "link/Worker.h"
#include "pipeline/LogOnDisk.h"
#include "logview/logic/ViewTextFile.h"
#include "res/Ids.h"
#include "toolkit/MiraboToolkit.h"

#include <QDateTime>
#include <QDir>

namespace {

class LogViewLinkTest : public LogViewFixture {
protected:
    void SetUp() override {
        LogViewFixture::SetUp();
        ToolkitInit();
        ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
        app.m_options.m_nPort = logd.port();
        app.m_paths.m_strExeIniPath = folder + "none.ini";
        app.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskDaily;
        Build();
        app.m_channel.m_bConnected = 0;
        worker = StartWorkerThread(app.Worker());
        ASSERT_TRUE(WaitForEvents([&] { return app.m_channel.m_bConnected.load() != 0; }));
    }
    void TearDown() override {
        StopWorkerThread(app.m_channel, worker);
        LogViewFixture::TearDown();
        ToolkitExit();
    }
    QString ProjectFolder() {
        return app.m_channel.LogFolder();
    }
    LogdProcess logd;
    std::unique_ptr<std::thread> worker;
};

} // namespace

TEST_F(LogViewLinkTest, InjectedLinesReachTheViewAndTheDailyFile) {
    // The local station's log folder is the running project's folder.
    EXPECT_EQ(QDir(ProjectFolder()).canonicalPath(), QDir(logd.projectDir()).canonicalPath());
    // The day's file of the moment the text arrived: the day before the wait, or after it past midnight.
    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("hello from the runtime")));
    ASSERT_TRUE(WaitForEvents([&] { return Shown().contains("hello from the runtime"); }));
    const QDateTime after = QDateTime::currentDateTime();
    QByteArray daily = ReadAll(pipeline::BuildDailyLogFileName(ProjectFolder(), before));
    if (after.date() != before.date())
        daily += ReadAll(pipeline::BuildDailyLogFileName(ProjectFolder(), after));
    EXPECT_TRUE(daily.contains("hello from the runtime\r\n"));

    window.frame->RunCommand(ids::ID_FILE_SAVE);
    const QByteArray saved = ReadAll(ProjectFolder() + "log.txt");
    EXPECT_TRUE(saved.contains(viewlogic::Utf16LeBytes(u"hello from the runtime\r\n")));
}

TEST_F(LogViewLinkTest, LostServiceShowsInTheTitleAndDisablesPause) {
    ASSERT_TRUE(WaitForEvents([&] { return window.frame->windowTitle() == QStringLiteral("Kestra: <LOCAL> - "); }));
    logd.kill();
    ASSERT_TRUE(WaitForEvents([&] { return window.frame->windowTitle().endsWith(" - Disconnected - "); }));
    EXPECT_FALSE(Action(ids::ID_EDIT_PAUSE)->isEnabled());
    EXPECT_FALSE(Action(ids::ID_LOG_TRACE)->isEnabled());
    EXPECT_TRUE(Action(ids::ID_OPTIONS_ALWAYS_ON_TOP)->isEnabled());
}
