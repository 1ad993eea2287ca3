// The log-on-disk writer: file names, line ends, encoding and the connected/type gates.
#include "common/StationParts.h"
#include "pipeline/LogOnDisk.h"
#include "pipeline/ReceivedTextPipeline.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pipeline;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct LogOnDiskFixture : ::testing::Test {
    QTemporaryDir dir;
    StationParts shared;
    LogOnDiskWriter writer;
    QString folder;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + u'/';
        shared.m_channel.SetLogFolder(folder);
        shared.m_channel.m_bConnected = 1;
    }
    // Where a chunk goes with the choice of the moment.
    LogTarget Target() const {
        return LogTarget{shared.m_logOnDisk.m_nLogOnDiskType.load(), shared.m_logOnDisk.m_strLogOnDiskFile,
                         shared.m_channel.LogFolder()};
    }
};

} // namespace

TEST(LogOnDiskName, DailyNameFromTheLocalDate) {
    EXPECT_EQ(BuildDailyLogFileName(QStringLiteral("/logs/"), QDateTime(QDate(2026, 3, 7), QTime(12, 0))),
              QStringLiteral("/logs/260307.log"));
    EXPECT_EQ(BuildDailyLogFileName(QStringLiteral("/logs/"), QDateTime(QDate(2009, 2, 1), QTime(0, 0))),
              QStringLiteral("/logs/090201.log"));
    EXPECT_EQ(BuildDailyLogFileName(QStringLiteral("/logs/"), QDateTime()), QStringLiteral("/logs/000000.log"));
}

TEST(LogOnDiskName, PathByType) {
    const QDateTime now(QDate(2026, 3, 7), QTime(8, 0));
    EXPECT_TRUE(LogOnDiskPath(0, QStringLiteral("x.log"), QStringLiteral("/f/"), now).isEmpty());
    EXPECT_TRUE(LogOnDiskPath(5, QStringLiteral("x.log"), QStringLiteral("/f/"), now).isEmpty());
    EXPECT_EQ(LogOnDiskPath(1, QStringLiteral("x.log"), QStringLiteral("/f/"), now), QStringLiteral("/f/260307.log"));
    EXPECT_EQ(LogOnDiskPath(2, QStringLiteral("x.log"), QStringLiteral("/f/"), now), QStringLiteral("/f/x.log"));
    EXPECT_EQ(LogOnDiskPath(2, QStringLiteral("/var/x.log"), QStringLiteral("/f/"), now),
              QStringLiteral("/var/x.log"));
    EXPECT_TRUE(LogOnDiskPath(2, QString(), QStringLiteral("/f/"), now).isEmpty());
}

TEST(LogOnDiskBytes, ReceivedCrsDropAndEveryLfBecomesCrLf) {
    EXPECT_EQ(LogFileBytes(u"a\r\nb\r\n"), QByteArray("a\r\nb\r\n"));
    EXPECT_EQ(LogFileBytes(u"a\nb\r\r\nc\r"), QByteArray("a\r\nb\r\nc"));
    EXPECT_EQ(LogFileBytes(u"\u00e4\u20ac\n"), QByteArray("\xc3\xa4\xe2\x82\xac\r\n"));
}

TEST_F(LogOnDiskFixture, DailyFilesChangeAtLocalMidnight) {
    shared.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskDaily;
    QList<QDateTime> times{QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59, 900)),
                           QDateTime(QDate(2026, 3, 8), QTime(0, 0, 0, 100))};
    writer.SetClock([&] { return times.takeFirst(); });
    writer.Write(Target(), u"before\r\n");
    writer.Write(Target(), u"after\r\n");
    EXPECT_EQ(ReadAll(folder + "260307.log"), QByteArray("before\r\n"));
    EXPECT_EQ(ReadAll(folder + "260308.log"), QByteArray("after\r\n"));
}

TEST_F(LogOnDiskFixture, AppendsAcrossCallsAndNeverTruncates) {
    shared.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("custom.log");
    {
        QFile file(folder + "custom.log");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
    }
    writer.Write(Target(), u"a\r\nb\r\n");
    writer.Write(Target(), u"c");
    EXPECT_EQ(ReadAll(folder + "custom.log"), QByteArray("old\r\na\r\nb\r\nc"));
}

TEST_F(LogOnDiskFixture, NothingWhileDisconnectedOrDisabled) {
    ReceivedTextPipeline road(shared.m_channel, shared.m_logOnDisk);
    shared.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_logOnDisk.m_strLogOnDiskFile = QStringLiteral("custom.log");
    shared.m_channel.m_bConnected = 0;
    shared.m_channel.AddPendingText(u"x\n"_qs);
    road.Deliver(ReceivedTextPipeline::Gate::WhileShown);
    EXPECT_FALSE(QFile::exists(folder + "custom.log"));
    shared.m_channel.m_bConnected = 1;
    shared.m_logOnDisk.m_nLogOnDiskType = 5;
    road.Deliver(ReceivedTextPipeline::Gate::WhileShown);
    EXPECT_FALSE(QFile::exists(folder + "custom.log"));
    EXPECT_TRUE(shared.m_channel.PendingText().isEmpty()) << "taken all the same";
}

TEST_F(LogOnDiskFixture, TextOfFailedWritesIsKeptWithinItsBoundAndWrittenFirstLater) {
    LogOnDiskWriter small(64);
    shared.m_logOnDisk.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_logOnDisk.m_strLogOnDiskFile = folder + "later/x.log"; // the folder is not there (yet)
    const auto first = small.Write(Target(), u"line 1\nline 2\n");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->path, shared.m_logOnDisk.m_strLogOnDiskFile);
    EXPECT_FALSE(first->error.isEmpty());
    for (int i = 3; i <= 12; ++i) // the same run of failures: told once
        EXPECT_FALSE(small.Write(Target(), QStringLiteral("line %1\n").arg(i)).has_value());
    EXPECT_LE(small.Backlog().size(), 64);

    ASSERT_TRUE(QDir().mkpath(folder + "later"));
    EXPECT_FALSE(small.Write(Target(), u"line 13\n").has_value());
    const QByteArray written = ReadAll(shared.m_logOnDisk.m_strLogOnDiskFile);
    // The oldest lines made room: a notice says how many, then the newest lines follow in order.
    EXPECT_TRUE(written.startsWith("[... 5 lines of log text could not be written and were dropped ...]\r\n"))
        << written.toStdString();
    EXPECT_TRUE(written.endsWith("line 6\r\nline 7\r\nline 8\r\nline 9\r\nline 10\r\nline 11\r\n"
                                 "line 12\r\nline 13\r\n"))
        << written.toStdString();
    EXPECT_TRUE(small.Backlog().isEmpty());
}
