// kestra-follow against a real mirabo-logd: categories and tags at the station, a service restart with
// nothing lost, the end when its output closes, and the exit codes a script tests.
#include "FollowerProcess.h"
#include "common/LogdProcess.h"
#include "follow/CategoryNames.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

QStringList Station(const LogdProcess& logd) {
    return {QStringLiteral("/dsip:127.0.0.1"), QStringLiteral("/dsport:%1").arg(logd.port())};
}

// The numbers of the lines "line-NNN" in the order they were printed.
QList<int> NumberedLines(const QString& text) {
    static const QRegularExpression line(QStringLiteral("^line-(\\d+)$"), QRegularExpression::MultilineOption);
    QList<int> numbers;
    for (auto it = line.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(1).toInt();
    return numbers;
}

} // namespace

TEST(FollowProgram, CategoriesAndTagsAtTheStationSurviveARestartWithNothingLost) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("100")}));
    QTemporaryDir home;
    const QString logFile = home.path() + QStringLiteral("/follow.log");
    Follower f(Station(logd) + QStringList{"--category", "trace,tcpip", "--tags", "Boiler.Pressure", "--log-file", logFile},
               home.path());

    // What was switched on and subscribed arrives; a category left off sends nothing, not even its
    // line injected before one that is on.
    ASSERT_TRUE(f.waitForOutput("Trace: ") && f.waitForOutput("TCP/IP: ") && f.waitForOutput("Tag Boiler.Pressure = "))
        << f.err.toStdString();
    ASSERT_TRUE(logd.inject(6, "dde-0") && logd.inject(3, "trace-0"));
    ASSERT_TRUE(f.waitForOutput("\ntrace-0\n"));
    EXPECT_FALSE(f.out.contains("dde-0") || f.out.contains("DDE: "));

    constexpr int kBurst = 300;
    for (int i = 0; i < kBurst; ++i)
        ASSERT_TRUE(logd.inject(3, QStringLiteral("line-%1").arg(i, 3, 10, QLatin1Char('0'))));
    ASSERT_TRUE(f.waitForOutput("\nline-299\n"));

    // The restarted service knows nothing of this client: the follower connects again by itself and
    // asks again for its categories and tags.
    ASSERT_TRUE(logd.restart());
    ASSERT_TRUE(f.waitFor([&] { return f.err.contains("connected again"); })) << f.err.toStdString();
    ASSERT_TRUE(logd.inject(-1, "restarted") && f.waitForOutput("\nrestarted\n"));
    const qsizetype restartedAt = f.out.indexOf("\nrestarted\n");
    ASSERT_TRUE(f.waitForOutput("Trace: ", restartedAt) && f.waitForOutput("Tag Boiler.Pressure = ", restartedAt));
    for (int i = kBurst; i < 2 * kBurst; ++i)
        ASSERT_TRUE(logd.inject(3, QStringLiteral("line-%1").arg(i)));
    ASSERT_TRUE(f.waitForOutput("\nline-599\n"));

    // Every line once, in order, and the log file holds exactly what was printed, with CR LF.
    QList<int> expected;
    for (int i = 0; i < 2 * kBurst; ++i)
        expected << i;
    EXPECT_EQ(NumberedLines(f.out), expected);
    f.proc.terminate();
    EXPECT_EQ(f.waitForExit(), 0);
    QFile file(logFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QString(f.out).replace("\n", "\r\n").toUtf8());
}

TEST(FollowProgram, EndsWhenItsOutputClosesEvenOnAQuietStation) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
    QTemporaryDir home;
    // kestra-follow | head -n 1
    QProcess head;
    Follower f(home.path());
    f.proc.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {QStringLiteral("-n"), QStringLiteral("1")});
    f.proc.start(kProgram, Station(logd));
    ASSERT_TRUE(f.waitFor([&] { return f.err.contains("connected to"); })) << f.err.toStdString();
    ASSERT_TRUE(logd.inject(-1, "first") && logd.inject(-1, "second"));

    ASSERT_TRUE(head.waitForFinished(30000));
    EXPECT_EQ(head.readAllStandardOutput(), "first\n");
    // Nothing more arrives, yet the follower notices that nobody reads any more.
    EXPECT_EQ(f.waitForExit(), 0) << f.err.toStdString();
}

TEST(FollowProgram, ExitCodesForScriptsAndNoSettingsLeftBehind) {
    QTemporaryDir home;
    auto run = [&](const QStringList& arguments, QString* out = nullptr) {
        Follower f(arguments, home.path());
        const int code = f.waitForExit();
        if (out)
            *out = f.out;
        return code;
    };
    EXPECT_EQ(run({"--bogus"}), 2);
    EXPECT_EQ(run({"--category", "trace,nope"}), 2);
    EXPECT_EQ(run({"--daily", "--log-file", "x.log"}), 2);
    QString help;
    EXPECT_EQ(run({"--help"}, &help), 0);
    for (const LogCategory& c : LogCategories())
        EXPECT_TRUE(help.contains(QString::fromLatin1(follow::NameOf(c.id).name)));
    QString version;
    EXPECT_EQ(run({"--version"}, &version), 0);
    EXPECT_TRUE(version.startsWith("kestra-follow "));
    EXPECT_TRUE(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());

    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--require-logon")}));
    EXPECT_EQ(run(Station(logd) + QStringList{"/username:operator", "/password:wrong"}), 4);

    // Accepted: the password is gone from the process's argument list while it follows; SIGTERM ends it.
    {
        Follower f(Station(logd) + QStringList{"/username:operator", "/password:operator-demo"}, home.path());
        ASSERT_TRUE(f.waitFor([&] { return f.err.contains("connected to"); })) << f.err.toStdString();
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(f.proc.processId()));
        ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
        const QByteArray arguments = cmdline.readAll();
        EXPECT_TRUE(arguments.contains("/password:"));
        EXPECT_FALSE(arguments.contains("operator-demo"));
        f.proc.terminate();
        EXPECT_EQ(f.waitForExit(), 0);
    }

    // A station that does not answer at the first attempt.
    const QStringList gone = Station(logd);
    logd.stop();
    EXPECT_EQ(run(gone), 3);
}

TEST(FollowProgram, ColoursTheTerminalTextWhenAskedButNeverTheLogFile) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
    QTemporaryDir home;
    const QString logFile = home.path() + QStringLiteral("/follow.log");
    Follower f(Station(logd) + QStringList{"--color=always", "--log-file", logFile}, home.path());
    ASSERT_TRUE(f.waitFor([&] { return f.err.contains("connected to"); })) << f.err.toStdString();
    ASSERT_TRUE(logd.inject(-1, "Pump1 ERROR 5") && logd.inject(-1, "all quiet"));
    ASSERT_TRUE(f.waitForOutput("all quiet")) << f.err.toStdString();
    // The default rules: the error line in red, the quiet one as it came.
    EXPECT_TRUE(f.out.contains(QStringLiteral("\x1b[38;5;160mPump1 ERROR 5\x1b[0m\n"))) << f.out.toStdString();
    EXPECT_TRUE(f.out.contains(QStringLiteral("\nall quiet\n")));
    f.proc.terminate();
    EXPECT_EQ(f.waitForExit(), 0);
    QFile file(logFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Pump1 ERROR 5\r\nall quiet\r\n"));
}
