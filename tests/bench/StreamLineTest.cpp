// The benchmark stream: every style of line carries its number and sending time where the follower finds
// them, and bench_feed and bench_tail agree on a stream of each style.
#include "StreamLine.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using stream::Style;

TEST(StreamLine, EveryStyleCarriesItsNumberAndTime) {
    const int64_t sent = 1796846842046836978; // 2026-12-09, a millisecond part of 046
    tm local{};
    const time_t seconds = time_t(sent / 1000000000);
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S.046 ", &local);
    for (int64_t number : {0, 7, 41, 99999999}) {
        const std::string numbered = stream::MakeLine(number, sent, Style::Numbered);
        const std::string stamped = stream::MakeLine(number, sent, Style::Stamped);
        const std::string plain = stream::MakeLine(number, sent, Style::Plain);
        EXPECT_EQ(numbered.size(), size_t(stream::kLineBytes));
        EXPECT_EQ(stamped.rfind(stamp, 0), 0u) << stamped;
        EXPECT_EQ(stamped.substr(24), plain); // the same text, without the date and time
        EXPECT_GE(plain.size(), 59u);
        EXPECT_LE(stamped.size(), 104u);
        for (const std::string& line : {numbered, stamped, plain}) {
            ASSERT_EQ(line.back(), '\n');
            EXPECT_EQ(line.find('\t'), std::string::npos); // a TAB would start a category for the service
            int64_t n = -1, t = -1;
            // As a viewer's log file may hold it: a date and time put before it, a CR after it.
            ASSERT_TRUE(
                stream::ParseLine("09.12.2026 16:50:15 " + line.substr(0, line.size() - 1) + "\r", &n, &t))
                << line;
            EXPECT_EQ(n, number);
            EXPECT_EQ(t, sent);
        }
    }
    // The texts vary from line to line.
    EXPECT_NE(stream::StationText(1), stream::StationText(2));
    int64_t n = 0, t = 0;
    EXPECT_FALSE(stream::ParseLine("Shift.Name = Early shift S t=", &n, &t));
    EXPECT_FALSE(stream::ParseLine("", &n, &t));
}

// The follower checks what the feeder wrote, for each style, across a --then phase.
TEST(StreamLine, FeederAndFollowerAgreeOnEveryStyle) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList styles = {QStringLiteral("numbered"), QStringLiteral("stamped"),
                                QStringLiteral("plain")};
    QProcess feeds[3]; // at once: the stream takes its time, two seconds
    for (int i = 0; i < 3; ++i)
        feeds[i].start(QStringLiteral(KESTRA_BIN_DIR "/bench_feed"),
                       {QStringLiteral("--style"), styles[i], QStringLiteral("--then"), QStringLiteral("50"),
                        QStringLiteral("1"), QStringLiteral("300"), QStringLiteral("1"),
                        dir.filePath(styles[i])});
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(feeds[i].waitForFinished(10000));
        EXPECT_EQ(feeds[i].exitCode(), 0);
        EXPECT_EQ(feeds[i].readAllStandardOutput().trimmed(), "350");
        QProcess tail;
        tail.start(QStringLiteral(KESTRA_BIN_DIR "/bench_tail"),
                   {dir.filePath(styles[i]), QStringLiteral("350"), QStringLiteral("2")});
        ASSERT_TRUE(tail.waitForFinished(10000));
        const QList<QByteArray> out = tail.readAllStandardOutput().split('\n');
        ASSERT_GE(out.size(), 2);
        EXPECT_TRUE(out[0].startsWith("lines=350 lost=0 doubled=0 out_of_order=0 "))
            << styles[i].toStdString() << ": " << out[0].data();
        EXPECT_TRUE(out[1].startsWith("p50_by_second_ms=")) << out[1].data();
    }
    QProcess wrong;
    wrong.start(QStringLiteral(KESTRA_BIN_DIR "/bench_feed"),
                {QStringLiteral("--style"), QStringLiteral("fancy"), QStringLiteral("10"),
                 QStringLiteral("1"), dir.filePath(QStringLiteral("x"))});
    ASSERT_TRUE(wrong.waitForFinished(10000));
    EXPECT_EQ(wrong.exitCode(), 2);
}

} // namespace
