// The log-on-disk writer: file names, line ends, encoding and the connected/type gates.
#include "link/KestraShared.h"
#include "logview/logic/LogOnDisk.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace viewlogic;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

struct LogOnDiskFixture : ::testing::Test {
    QTemporaryDir dir;
    CKestraExtShared shared;
    LogOnDiskWriter writer;
    QString folder;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + u'/';
        shared.SetLogFolder(folder);
        shared.m_bConnected = 1;
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
    shared.m_nLogOnDiskType = kLogOnDiskDaily;
    QList<QDateTime> times{QDateTime(QDate(2026, 3, 7), QTime(23, 59, 59, 900)),
                           QDateTime(QDate(2026, 3, 8), QTime(0, 0, 0, 100))};
    writer.SetClock([&] { return times.takeFirst(); });
    writer.Write(shared, u"before\r\n");
    writer.Write(shared, u"after\r\n");
    EXPECT_EQ(ReadAll(folder + "260307.log"), QByteArray("before\r\n"));
    EXPECT_EQ(ReadAll(folder + "260308.log"), QByteArray("after\r\n"));
}

TEST_F(LogOnDiskFixture, AppendsAcrossCallsAndNeverTruncates) {
    shared.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_strLogOnDiskFile = QStringLiteral("custom.log");
    {
        QFile file(folder + "custom.log");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
    }
    writer.Write(shared, u"a\r\nb\r\n");
    writer.Write(shared, u"c");
    EXPECT_EQ(ReadAll(folder + "custom.log"), QByteArray("old\r\na\r\nb\r\nc"));
}

TEST_F(LogOnDiskFixture, NothingWhileDisconnectedOrDisabled) {
    shared.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_strLogOnDiskFile = QStringLiteral("custom.log");
    shared.m_bConnected = 0;
    writer.Write(shared, u"x\n");
    EXPECT_FALSE(QFile::exists(folder + "custom.log"));
    shared.m_bConnected = 1;
    shared.m_nLogOnDiskType = 5;
    writer.Write(shared, u"x\n");
    EXPECT_FALSE(QFile::exists(folder + "custom.log"));
}

TEST_F(LogOnDiskFixture, TextOfFailedWritesIsKeptWithinItsBoundAndWrittenFirstLater) {
    LogOnDiskWriter small(64);
    shared.m_nLogOnDiskType = kLogOnDiskCustom;
    shared.m_strLogOnDiskFile = folder + "later/x.log"; // the folder is not there (yet)
    const auto first = small.Write(shared, u"line 1\nline 2\n");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->path, shared.m_strLogOnDiskFile);
    EXPECT_FALSE(first->error.isEmpty());
    for (int i = 3; i <= 12; ++i) // the same run of failures: told once
        EXPECT_FALSE(small.Write(shared, QStringLiteral("line %1\n").arg(i)).has_value());
    EXPECT_LE(small.Backlog().size(), 64);

    ASSERT_TRUE(QDir().mkpath(folder + "later"));
    EXPECT_FALSE(small.Write(shared, u"line 13\n").has_value());
    const QByteArray written = ReadAll(shared.m_strLogOnDiskFile);
    // The oldest lines made room: a notice says how many, then the newest lines follow in order.
    EXPECT_TRUE(written.startsWith("[... 5 lines of log text could not be written and were dropped ...]\r\n"))
        << written.toStdString();
    EXPECT_TRUE(written.endsWith("line 6\r\nline 7\r\nline 8\r\nline 9\r\nline 10\r\nline 11\r\n"
                                 "line 12\r\nline 13\r\n"))
        << written.toStdString();
    EXPECT_TRUE(small.Backlog().isEmpty());
}
