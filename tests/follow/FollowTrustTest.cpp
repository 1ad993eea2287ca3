// kestra-follow and a station that speaks TLS, reached by another address of this machine: the key asked
// about on the terminal or named with --trust, kept in the list of known stations, and refused when it
// changes, also by a follower that runs already.
#include "FollowerProcess.h"
#include "common/LogdProcess.h"
#include "common/TestTls.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString FileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(FollowTrust, KeyTrustedOnTheTerminalOrByFingerprintThenRefusedWhenItChanges) {
    LogdProcess logd;
    logd.setListenAddress(QStringLiteral("0.0.0.0"));
    ASSERT_TRUE(logd.start({"--tls", "--sim-interval", "0"}));
    const QString key = logd.fingerprint();
    QTemporaryDir home;
    const QString list = home.path() + QStringLiteral("/Mirabo v6.1/KnownStations.txt");
    const QStringList station{QStringLiteral("/dsip:%1").arg(OtherAddressOfThisMachine()),
                              QStringLiteral("/dsport:%1").arg(logd.port())};
    auto run = [&](const QStringList& extra, QString* err = nullptr) {
        Follower f(station + extra, home.path());
        const int code = f.waitForExit();
        if (err)
            *err = f.err;
        return code;
    };

    // No terminal to ask on, nothing named: refused, and nothing kept.
    QString err;
    EXPECT_EQ(run({}, &err), 5);
    EXPECT_TRUE(err.contains(key) && err.contains("--trust")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(list));
    EXPECT_EQ(run({"--trust", QString(key).replace(u'A', u'B').replace(u'1', u'2')}, &err), 5);
    EXPECT_TRUE(err.contains("not the one --trust names")) << err.toStdString();

    // Asked on its terminal: "n" refuses, "y" trusts, and the text flows over TLS.
    for (const char* answer : {"n\n", "y\n"}) {
        Follower f(home.path(), true);
        f.proc.start(kProgram, station);
        ASSERT_TRUE(f.waitFor([&] { return f.terminalText().contains("[y/N]"); })) << f.err.toStdString();
        EXPECT_TRUE(f.err.contains(key));
        f.type(answer);
        if (answer[0] == 'n') {
            EXPECT_EQ(f.waitForExit(), 5);
            EXPECT_FALSE(QFile::exists(list));
            continue;
        }
        ASSERT_TRUE(f.waitFor([&] { return f.err.contains("connected to"); })) << f.err.toStdString();
        ASSERT_TRUE(logd.inject(-1, "over TLS") && f.waitForOutput("over TLS\n"));
    }
    EXPECT_TRUE(FileText(list).contains(QStringLiteral(" %1 tls %2").arg(logd.port()).arg(key)));

    // Known: a run asks nothing. Then the station's key rolls while it runs: the follower says so once
    // and keeps trying, sending nothing; a new run ends with 5.
    Follower running(station, home.path());
    ASSERT_TRUE(running.waitFor([&] { return running.err.contains("connected to"); })) << running.err.toStdString();
    logd.stop();
    logd.forgetKey();
    const qsizetype heard = logd.errorOutput().size();
    ASSERT_TRUE(logd.restart());
    const QString newKey = logd.fingerprint();
    ASSERT_TRUE(running.waitFor([&] { return running.err.contains("has changed"); })) << running.err.toStdString();
    EXPECT_TRUE(running.err.contains(key) && running.err.contains(newKey));
    EXPECT_EQ(running.err.count("has changed"), 1);
    EXPECT_FALSE(logd.errorOutput().mid(heard).contains("hello from"));
    running.proc.terminate();
    EXPECT_EQ(running.waitForExit(), 0);
    EXPECT_EQ(run({}, &err), 5);
    EXPECT_TRUE(err.contains("has changed") && err.contains("--trust")) << err.toStdString();

    // Accepted on purpose, by its fingerprint: the new key replaces the old one's line.
    Follower accepted(station + QStringList{"--trust", newKey.toLower()}, home.path());
    ASSERT_TRUE(accepted.waitFor([&] { return accepted.err.contains("connected to"); })) << accepted.err.toStdString();
    EXPECT_TRUE(FileText(list).contains(newKey));
    EXPECT_FALSE(FileText(list).contains(key));
}
