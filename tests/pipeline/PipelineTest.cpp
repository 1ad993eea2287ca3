// The received-text pipeline: what one delivery takes, in which order the log file and the listeners
// get it, with the time each part arrived, and how its ticks follow the link state.
#include "common/StationParts.h"
#include "pipeline/ReceivedTextPipeline.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using pipeline::ReceivedTextPipeline;
using Gate = ReceivedTextPipeline::Gate;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct PipelineFixture : ::testing::Test {
    QTemporaryDir dir;
    StationParts parts;
    ReceivedTextPipeline road{parts.m_channel, parts.m_logOnDisk};
    QString logFile;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        parts.m_channel.SetLogFolder(dir.path() + u'/');
        parts.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
        parts.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("all.log");
        logFile = dir.path() + QStringLiteral("/all.log");
    }
};

} // namespace

TEST(Pipeline, RefreshPeriodByStation) {
    EXPECT_EQ(pipeline::RefreshPeriodMs(QStringLiteral("LocalHost")), 100);
    EXPECT_EQ(pipeline::RefreshPeriodMs(QString()), 100);
    EXPECT_EQ(pipeline::RefreshPeriodMs(QStringLiteral("127.0.0.1")), 1000);
}

TEST_F(PipelineFixture, ADeliveryGoesToTheFileThenTheListenersThenTheViewWithItsReceiveTimes) {
    QStringList events;
    ReceivedText got;
    QObject::connect(&road, &ReceivedTextPipeline::received, [&](const ReceivedText& chunk) {
        events << QStringLiteral("received, file holds %1 bytes").arg(ReadAll(logFile).size());
        got = chunk;
    });
    QObject::connect(&road, &ReceivedTextPipeline::shown, [&](const pipeline::ViewChunk& view, int maxLength) {
        events << QStringLiteral("shown %1 of %2").arg(view.text.size()).arg(maxLength);
    });

    // Nothing is taken while disconnected or paused: the text stays pending.
    parts.m_channel.AddPendingText(QStringLiteral("one\r\n"), 1000);
    parts.m_channel.AddPendingText(QStringLiteral("two\r\nthree\r\n"), 1100);
    road.Deliver(Gate::WhileShown);
    parts.m_channel.m_bConnected = 1;
    parts.m_channel.m_bPaused = 1;
    road.Deliver(Gate::WhileShown);
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(parts.m_channel.PendingText(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));

    parts.m_channel.m_bPaused = 0;
    road.Deliver(Gate::WhileShown);
    EXPECT_EQ(events, (QStringList{"received, file holds 17 bytes", "shown 14 of 16000"}));
    EXPECT_EQ(got.text, QStringLiteral("one\r\ntwo\r\nthree\r\n"));
    EXPECT_EQ(got.ReceivedAt(0), 1000);
    EXPECT_EQ(got.ReceivedAt(4), 1000);
    EXPECT_EQ(got.ReceivedAt(5), 1100);
    EXPECT_EQ(got.ReceivedAt(got.text.size() - 1), 1100);
    EXPECT_TRUE(parts.m_channel.PendingText().isEmpty());

    // Every window delivery tells the view, also an empty one; listeners of whole chunks hear only text.
    events.clear();
    road.Deliver(Gate::WhileShown);
    EXPECT_EQ(events, (QStringList{"shown 0 of 16000"}));

    // The end of the program takes whatever is left, whatever the link state, and shows nothing.
    events.clear();
    parts.m_channel.m_bConnected = 0;
    parts.m_channel.AddPendingText(QStringLiteral("last\r\n"), 1200);
    road.Deliver(Gate::Always);
    EXPECT_EQ(events, (QStringList{"received, file holds 23 bytes"}));
    EXPECT_EQ(ReadAll(logFile), QByteArray("one\r\ntwo\r\nthree\r\nlast\r\n"));
}

TEST_F(PipelineFixture, TicksWaitForStartUpAndTellEachChangeOfTheLinkOnce) {
    KestraWord starting{1};
    road.HoldWhile(&starting);
    QList<bool> states;
    QStringList shown;
    QObject::connect(&road, &ReceivedTextPipeline::linkStateChanged, [&](bool connected) { states << connected; });
    QObject::connect(&road, &ReceivedTextPipeline::shown,
                     [&](const pipeline::ViewChunk& view, int) { shown << view.text; });
    parts.m_channel.m_bConnected = 1;
    parts.m_channel.AddPendingText(QStringLiteral("held\r\n"));
    road.Tick();
    EXPECT_TRUE(states.isEmpty());
    EXPECT_TRUE(shown.isEmpty()) << "nothing during start-up";

    starting = 0;
    road.Tick(); // the first tick always counts as a change
    road.Tick();
    parts.m_channel.m_bConnected = 0;
    road.Tick();
    road.Tick();
    parts.m_channel.m_bConnected = 1;
    road.Tick();
    EXPECT_EQ(states, (QList<bool>{true, false, true}));
    EXPECT_EQ(shown.value(0), QStringLiteral("held\n"));

    EXPECT_TRUE(road.Start(100));
    EXPECT_EQ(road.Period(), 100);
}
