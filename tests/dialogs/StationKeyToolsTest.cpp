// The station's key in the tools that open links of their own, against a real mirabo-logd reached by
// another address of this machine: HalcyteExt, started as Kestra starts it, trusts what the user trusted
// and sends nothing once the key changed; it and the Log Tags dialog tell the refusal in Kestra's words.
#include "app/EnvGuard.h"
#include "common/LogdProcess.h"
#include "common/StationParts.h"
#include "common/TestTls.h"
#include "common/WaitFor.h"
#include "dialogs/HalcyteLauncher.h"
#include "dialogs/TagListRules.h"
#include "halcyte/StationPoller.h"
#include "res/StationKeyTexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

TEST(StationKeyTools, HalcyteAndTheTagListTrustTheListAndTellAChangedKey) {
    QTemporaryDir data, runtime;
    EnvGuard env({"XDG_DATA_HOME", "XDG_RUNTIME_DIR"});
    EnvGuard::set("XDG_DATA_HOME", data.path().toLocal8Bit());
    EnvGuard::set("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    LogdProcess logd;
    logd.setListenAddress(QStringLiteral("0.0.0.0"));
    ASSERT_TRUE(logd.start({"--tls", "--sim-interval", "0"}));
    const QString key = logd.fingerprint();
    const QString host = OtherAddressOfThisMachine();
    // Trusted in Kestra before: the line Kestra wrote into the user's list.
    const QString folder = data.path() + QStringLiteral("/Mirabo v6.1");
    const QString list = folder + QStringLiteral("/KnownStations.txt");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(list);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("%1 %2 tls %3\n").arg(host).arg(logd.port()).arg(key).toUtf8());
    file.close();

    StationParts shared;
    shared.m_options.m_strHost = host;
    shared.m_options.m_nPort = logd.port();
    CHalcyteLauncher launcher(shared.m_options, QStringLiteral(KESTRA_BIN_DIR "/kestra"), nullptr);
    launcher.m_nTitleWaitMs = 30000;
    launcher.m_showMessage = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    ASSERT_EQ(launcher.OnLaunchHalcyte(), CHalcyteLauncher::Outcome::Started);
    const pid_t tool = static_cast<pid_t>(launcher.m_nStartedPid);
    EXPECT_TRUE(WaitFor([&] { return logd.errorOutput().contains(QStringLiteral("(HalcyteExt), access granted")); }))
        << logd.errorOutput().toStdString();

    logd.stop();
    logd.forgetKey();
    const qsizetype heard = logd.errorOutput().size();
    ASSERT_TRUE(logd.restart());
    const QString newKey = logd.fingerprint();
    // It goes on trying, every 2 s, and each try ends after the handshake.
    EXPECT_TRUE(WaitFor([&] { return logd.errorOutput().mid(heard).count(QStringLiteral(": TLSv1.3")) >= 2; }, 20000));
    EXPECT_FALSE(logd.errorOutput().mid(heard).contains(QStringLiteral("hello from")));
    ::kill(tool, SIGTERM);

    // What the tool shows, and what the Log Tags dialog shows instead of a bare connection error.
    base::StationKeyFacts changed;
    changed.verdict = base::KeyVerdict::Changed;
    changed.host = host;
    changed.port = logd.port();
    changed.known = key;
    changed.presented = newKey;
    changed.listFile = list;
    const QString expected = res::StationKeyMessage(changed);
    ToolkitInit();
    ToolkitSetTrust(MiraboTrust{list, QString(), QString()});
    QString problem;
    {
        StationPoller poller(host, logd.port());
        poller.m_onProblem = [&](const QString& text) { problem = text; };
        poller.Start();
        EXPECT_TRUE(WaitForEvents([&] { return !problem.isEmpty(); }));
    }
    EXPECT_EQ(problem, expected);
    ToolkitTagList toolkit;
    QStringList shown;
    {
        TagListRules rules(TagListParts{shared.m_options, shared.m_paths.m_strExeIniPath, shared.m_channel}, toolkit);
        rules.m_showError = [&](const QString& text) { shown << text; };
        EXPECT_FALSE(rules.EnsureLink());
    }
    EXPECT_EQ(shown, QStringList{expected});
    EXPECT_TRUE(expected.contains(key) && expected.contains(newKey) && expected.contains(list));
    EXPECT_FALSE(logd.errorOutput().mid(heard).contains(QStringLiteral("hello from")));
    ToolkitSetTrust(MiraboTrust());
    ToolkitExit();
}
