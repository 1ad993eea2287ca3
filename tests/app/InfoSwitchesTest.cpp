// kestra --help and --version: they answer, exit 0, and leave no trace (no settings folder, no file).
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(InfoSwitches, HelpAndVersionAnswerAndTouchNothing) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/runtime"));
    env.remove(QStringLiteral("DISPLAY")); // no window could be made anyway
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none-at-all"));
    const struct {
        QStringList args;
        QString expected;
    } cases[] = {
        {{QStringLiteral("--help")}, QStringLiteral("/proxyip:HOST")},
        {{QStringLiteral("/dsip:x"), QStringLiteral("-h")}, QStringLiteral("Examples:")},
        {{QStringLiteral("/?")}, QStringLiteral("KestraExt.ini")},
        {{QStringLiteral("--version")}, QStringLiteral("kestra 1.")},
        {{QStringLiteral("-v")}, QStringLiteral("kestra 1.")},
    };
    for (const auto& c : cases) {
        QProcess kestra;
        kestra.setProcessEnvironment(env);
        kestra.start(QStringLiteral(KESTRA_BIN_DIR "/kestra"), c.args);
        ASSERT_TRUE(kestra.waitForFinished(20000)) << c.args.join(u' ').toStdString();
        EXPECT_EQ(kestra.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(kestra.exitCode(), 0) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(QString::fromLocal8Bit(kestra.readAllStandardOutput()).contains(c.expected))
            << c.args.join(u' ').toStdString();
    }
    EXPECT_TRUE(
        QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}
