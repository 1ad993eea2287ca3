// The station's key in start-up, against a real mirabo-logd reached by another address of this machine:
// trusted once through the question, refused with a message of its own when the key changes or the
// station falls back to clear, and the password to a station in clear asked about once.
#include "StartupFixture.h"
#include "common/TestTls.h"
#include "common/WaitFor.h"

#include "app/CheckCredentialDlg.h"
#include "res/StationKeyTexts.h"

#include <QFile>

namespace {

QString FileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class StartupTrustTest : public StartupTest {
protected:
    void SetUp() override {
        StartupTest::SetUp();
        m_address = OtherAddressOfThisMachine();
        m_logd->setListenAddress(QStringLiteral("0.0.0.0"));
        m_hooks.askYesNo = [this](const QString& text) {
            m_questions.append(text);
            return m_answer;
        };
    }
    QString Station() const { return QStringLiteral("/dsip:%1 /dsport:%2").arg(m_address).arg(m_logd->port()); }
    QString List() const { return UserFolder() + QStringLiteral("KnownStations.txt"); }
    // The hellos and logons the service has heard since `from`.
    bool Heard(qsizetype from) {
        const QString log = m_logd->errorOutput().mid(from);
        return log.contains(QStringLiteral("hello from")) || log.contains(QStringLiteral("logged on"));
    }
    base::StationKeyFacts Facts(base::KeyVerdict verdict, const QString& presented, const QString& known) const {
        base::StationKeyFacts f;
        f.verdict = verdict;
        f.host = m_address;
        f.port = m_logd->port();
        f.presented = presented;
        f.known = known;
        f.listFile = List();
        return f;
    }

    QString m_address;
    QStringList m_questions;
    bool m_answer = false;
};

TEST_F(StartupTrustTest, KeyTrustedOnceThenAChangedKeyIsToldAndEndsStartupBeforeTheLogon) {
    ASSERT_TRUE(m_logd->start({"--tls", "--require-logon", "--sim-interval", "0"}));
    const QString key = m_logd->fingerprint();
    const QString logon = QStringLiteral(" /username:operator /password:operator-demo");

    // Not trusted: nothing sent, start-up ends with a message of its own.
    CKestraExtApp& declined = NewApp(Station() + logon);
    EXPECT_FALSE(Start(declined));
    ASSERT_EQ(m_questions.size(), 1);
    EXPECT_EQ(m_questions[0], res::TrustQuestion(Facts(base::KeyVerdict::Unknown, key, QString())));
    EXPECT_TRUE(m_questions[0].contains(key));
    ASSERT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(m_boxes[0], res::TrustDeclinedMessage(Facts(base::KeyVerdict::Unknown, key, QString())));
    EXPECT_EQ(declined.m_pWorkerThread, nullptr);
    EXPECT_FALSE(Heard(0));
    EXPECT_FALSE(QFile::exists(List()));
    Finish(declined);

    // Trusted: start-up goes on as for any station, and the next start asks nothing.
    m_answer = true;
    CKestraExtApp& trusted = NewApp(Station() + logon);
    ASSERT_TRUE(Start(trusted)) << (m_boxes.size() > 1 ? m_boxes.last().toStdString() : "");
    EXPECT_EQ(trusted.m_channel.m_bConnected.load(), 1);
    EXPECT_EQ(m_questions.size(), 2);
    EXPECT_EQ(m_boxes.size(), 1);
    EXPECT_TRUE(FileText(List()).contains(QStringLiteral("%1 %2 tls %3").arg(m_address).arg(m_logd->port()).arg(key)));
    Finish(trusted);
    CKestraExtApp& again = NewApp(Station() + logon);
    ASSERT_TRUE(Start(again));
    EXPECT_EQ(m_questions.size(), 2);

    // The station's key rolls while the window runs: its reconnects are refused, and it says so once.
    m_logd->stop();
    m_logd->forgetKey();
    qsizetype heard = m_logd->errorOutput().size();
    ASSERT_TRUE(m_logd->restart());
    const QString newKey = m_logd->fingerprint();
    const QString changedText = res::StationKeyMessage(Facts(base::KeyVerdict::Changed, newKey, key));
    EXPECT_TRUE(WaitForEvents([&] { return m_boxes.size() == 2; }, 20000));
    EXPECT_EQ(m_boxes.value(1), changedText);
    EXPECT_TRUE(WaitForEvents([&] { return m_logd->errorOutput().mid(heard).count(QStringLiteral(": TLSv1")) >= 3; },
                              20000)) << "the worker goes on trying";
    EXPECT_EQ(m_boxes.size(), 2);
    EXPECT_EQ(again.m_channel.m_bConnected.load(), 0);
    Finish(again);

    // A new start: refused with what changed and how to accept it, before the logon.
    CKestraExtApp& changed = NewApp(Station() + logon);
    EXPECT_FALSE(Start(changed));
    EXPECT_EQ(m_questions.size(), 2) << "a changed key is not asked about";
    ASSERT_EQ(m_boxes.size(), 3);
    EXPECT_EQ(m_boxes[2], changedText);
    EXPECT_TRUE(m_boxes[2].contains(key) && m_boxes[2].contains(newKey) && m_boxes[2].contains(List()));
    EXPECT_EQ(changed.m_pWorkerThread, nullptr);
    EXPECT_FALSE(Heard(heard));
    Finish(changed);

    // In clear where TLS was known: refused the same way.
    heard = m_logd->errorOutput().size();
    ASSERT_TRUE(m_logd->start({"--allow-clear", "--require-logon", "--sim-interval", "0"}, m_logd->port()));
    CKestraExtApp& stripped = NewApp(Station() + logon);
    EXPECT_FALSE(Start(stripped));
    ASSERT_EQ(m_boxes.size(), 4);
    EXPECT_EQ(m_boxes[3], res::StationKeyMessage(Facts(base::KeyVerdict::ClearWhereTls, QString(), key)));
    EXPECT_FALSE(Heard(heard));
}

TEST_F(StartupTrustTest, PasswordToAClearStationBeyondThisMachineIsAskedAboutOnce) {
    ASSERT_TRUE(m_logd->start({"--allow-clear", "--require-logon", "--sim-interval", "0"}));
    m_hooks.runCredentialDialog = [&](CCheckCredentialDlg& dialog) {
        ++m_dialogRuns;
        dialog.m_strUserName = QStringLiteral("operator");
        dialog.m_strPassword = QStringLiteral("operator-demo");
        return 1;
    };
    const QString question = res::ClearPasswordQuestion(Facts(base::KeyVerdict::Clear, QString(), QString()));
    CKestraExtApp& declined = NewApp(Station());
    EXPECT_FALSE(Start(declined));
    EXPECT_EQ(m_dialogRuns, 1) << "asked between the credential dialog and the logon";
    EXPECT_EQ(m_questions, QStringList{question});
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_FALSE(m_logd->errorOutput().contains(QStringLiteral("logged on")));
    Finish(declined);

    m_answer = true;
    CKestraExtApp& agreed = NewApp(Station());
    ASSERT_TRUE(Start(agreed));
    EXPECT_EQ(m_questions.size(), 2);
    EXPECT_TRUE(FileText(List()).contains(QStringLiteral("%1 %2 clear").arg(m_address).arg(m_logd->port())));
    Finish(agreed);
    CKestraExtApp& told = NewApp(Station());
    ASSERT_TRUE(Start(told));
    EXPECT_EQ(m_questions.size(), 2) << "once per station";
    Finish(told);
    // The loopback keeps the password on this machine: no question there.
    CKestraExtApp& local = NewApp(QStringLiteral("/dsip:127.0.0.1 /dsport:%1").arg(m_logd->port()));
    ASSERT_TRUE(Start(local));
    EXPECT_EQ(m_questions.size(), 2);
    EXPECT_TRUE(m_boxes.isEmpty());
}
