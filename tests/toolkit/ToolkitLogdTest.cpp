// The toolkit against the real stand-in service, mirabo-logd.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"
#include "common/LogdProcess.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

namespace {

// Passes each request to the service and its answer back, line by line, over a connection of its own
// per link. After cutNextRead() it drops the next log.read answer and ends both connections instead,
// as a link that dies with the answer in flight.
class CuttingRelay {
public:
    explicit CuttingRelay(quint16 servicePort)
        : m_server([this, servicePort](FakeConnection& down) { relay(down, servicePort); }) {}
    ~CuttingRelay() { m_stop = true; }

    int port() const { return m_server.port(); }
    void cutNextRead() { m_cut = true; }
    int cuts() const { return m_cuts.load(); }

private:
    void relay(FakeConnection& down, quint16 servicePort) {
        FakeConnection up(connectLoopback(servicePort), 0, &m_stop);
        std::string line;
        while (down.readLine(&line, 60000)) {
            up.sendRaw(line + "\n");
            if (!up.readLine(&line, 60000))
                return;
            if (line.find("\"seq\"") != std::string::npos && m_cut.exchange(false)) {
                ++m_cuts;
                return;
            }
            down.sendRaw(line + "\n");
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_cut{false};
    std::atomic<int> m_cuts{0};
    FakeServer m_server; // last: its connections use the members above
};

// Another client of the service with log output on. The service queues a broadcast line for every
// such client at once, so once the witness has read a line, every other client's queue holds it too.
class Witness {
public:
    explicit Witness(quint16 port) : m_conn(connectLoopback(port), 0, &m_stop) {
        call("hello", {{"protocol", 1}, {"client", "feedfeedfeedfeedfeedfeedfeedfeed"}, {"program", "witness"}});
        call("log.output", {{"enable", true}});
    }
    bool sawLine(const QString& needle) {
        return WaitFor([&] {
            const QJsonObject r = call("log.read", {{"max", 16000}, {"ack", m_seq}, {"epoch", m_epoch}});
            m_seq = r.value("seq").toInteger();
            m_text += r.value("text").toString();
            return m_text.contains(needle);
        }, 10000);
    }

private:
    QJsonObject call(const char* method, const QJsonObject& params) {
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", ++m_id}, {"method", method}, {"params", params}};
        m_conn.sendRaw(QJsonDocument(request).toJson(QJsonDocument::Compact).toStdString() + "\n");
        const QJsonObject result = m_conn.readRequest(10000).value("result").toObject();
        if (result.contains("epoch"))
            m_epoch = result.value("epoch").toString();
        return result;
    }

    std::atomic<bool> m_stop{false};
    FakeConnection m_conn;
    int m_id = 0;
    qint64 m_seq = 0;
    QString m_epoch;
    QString m_text;
};

// Opens and activates a link to the service on `port` with a short time-out.
MiraboLink openAt(int port) {
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(port, &link), MIRABO_OK);
    LinkSetTimeout(link, 5000);
    LinkActivate(link);
    return link;
}

MiraboLink openTo(const LogdProcess& logd) { return openAt(logd.port()); }

// Reads log text until `needle` shows up or `timeoutMs` passed; returns everything read.
QString readUntil(const QString& needle, int timeoutMs = 10000) {
    QString all;
    WaitFor([&] {
        QString chunk;
        if (LogTextRead(&chunk, 16000) == MIRABO_OK)
            all += chunk;
        return all.contains(needle);
    }, timeoutMs);
    return all;
}

} // namespace

TEST(ToolkitLogd, SwitchesStampAndOpcRoundTrip) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    EXPECT_EQ(SwitchGet(3), 0);
    EXPECT_EQ(SwitchSet(3, 1), MIRABO_OK);
    EXPECT_EQ(SwitchGet(3), 1);
    EXPECT_EQ(SwitchGet(0xFFFF) & 1, 1) << "the stand-in supports the mask";
    EXPECT_NE(SwitchGet(0xFFFF) & (1 << 4), 0) << "bit 4 is switch 3";
    EXPECT_EQ(DateTimeStampSet(1), MIRABO_OK);
    EXPECT_EQ(DateTimeStampGet(), 1);
    EXPECT_EQ(OpcLogParamGet(12, 4), -1);
    EXPECT_EQ(OpcLogParamSet(12, 4, 3), MIRABO_OK);
    EXPECT_EQ(OpcLogParamGet(12, 4), 3);
    QString path;
    EXPECT_EQ(ProjectFilePath("a.txt", &path), MIRABO_OK);
    EXPECT_TRUE(path.endsWith("a.txt")) << path.toStdString();
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}

TEST(ToolkitLogd, LinksOfOneProcessShareTheClientState) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink first = openTo(logd);
    EXPECT_EQ(SwitchSet(5, 1), MIRABO_OK);
    MiraboLink second = openTo(logd);
    EXPECT_EQ(SwitchGet(5), 1);
    LinkClose(second);
    LinkClose(first);
}

TEST(ToolkitLogd, InjectedTextArrivesAndIsDiscarded) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, "first line"));
    EXPECT_TRUE(readUntil("first line").contains("first line"));

    // Injection goes through the service's input: once another reader has the line, it is in our queue
    // too, and discarding throws it away there.
    Witness witness(logd.port());
    ASSERT_TRUE(logd.inject(-1, "dropped line"));
    ASSERT_TRUE(witness.sawLine("dropped line"));
    EXPECT_EQ(LogTextDiscard(), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, "after discard"));
    const QString after = readUntil("after discard");
    EXPECT_TRUE(after.contains("after discard"));
    EXPECT_FALSE(after.contains("dropped line"));
    LinkClose(link);
}

// A restarted service numbers its text from 1 again. The toolkit last acknowledged seq 1 of the old
// service; the first answer of the new one (seq 1 too) dies in flight. That old acknowledgement must not
// count for the new text: it comes again on the next link, once.
TEST(ToolkitLogd, RestartAndALostFirstAnswerNeitherLoseNorDoubleText) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    CuttingRelay relay(logd.port());
    MiraboLink link = openAt(relay.port());
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, "before restart"));
    QString all = readUntil("before restart");

    ASSERT_TRUE(logd.restart());
    LinkClose(link);
    link = openAt(relay.port());
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    Witness witness(logd.port());
    ASSERT_TRUE(logd.inject(-1, "after restart"));
    ASSERT_TRUE(witness.sawLine("after restart"));
    relay.cutNextRead();
    QString lost;
    EXPECT_NE(LogTextRead(&lost, 16000), MIRABO_OK);
    EXPECT_TRUE(lost.isEmpty());
    EXPECT_EQ(relay.cuts(), 1);
    LinkClose(link);

    link = openAt(relay.port());
    ASSERT_TRUE(logd.inject(-1, "last line"));
    all += readUntil("last line");
    EXPECT_EQ(all.count("before restart"), 1) << all.toStdString();
    EXPECT_EQ(all.count("after restart"), 1) << all.toStdString();
    EXPECT_EQ(all.count("last line"), 1) << all.toStdString();
    LinkClose(link);
}

TEST(ToolkitLogd, SmallCapacityNeverLosesOrSplitsText) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    ASSERT_EQ(LogOutputEnable(1), MIRABO_OK);
    const QString smiley = QString::fromUcs4(U"\U0001F600");
    const QString line = "abc" + smiley + smiley + "xyz";
    ASSERT_TRUE(logd.inject(-1, line));
    QString all;
    ASSERT_TRUE(WaitFor([&] {
        QString chunk;
        if (LogTextRead(&chunk, 4) != MIRABO_OK)
            return false;
        EXPECT_LE(chunk.size(), 4);
        if (!chunk.isEmpty()) {
            EXPECT_FALSE(chunk.back().isHighSurrogate());
        }
        all += chunk;
        return all.contains(line + "\r\n");
    }));
    LinkClose(link);
}

TEST(ToolkitLogd, KilledServiceIsNoticedOnAnIdleLink) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    EXPECT_EQ(LinkIsLost(link), 0);
    logd.kill();
    EXPECT_TRUE(WaitFor([&] { return LinkIsLost(link) != 0; }));
    LinkClose(link);
}

TEST(ToolkitLogd, TwoThreadsAtOnce) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--sim-interval", "0"}));
    MiraboLink link = openTo(logd);
    std::atomic<int> failures{0};
    std::thread ui([&] {
        ToolkitInit();
        for (int i = 0; i < 200; ++i)
            if (OpcLogParamGet(11, 4) != -1)
                ++failures;
        ToolkitExit();
    });
    for (int i = 0; i < 200; ++i) {
        if (SwitchSet(2, i & 1) != MIRABO_OK || SwitchGet(2) != (i & 1))
            ++failures;
        QString text;
        if (LogTextRead(&text, 16000) != MIRABO_OK)
            ++failures;
    }
    ui.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}

// One case: the process keeps accepted credentials for its whole life.
TEST(ToolkitLogd, LogonAndReLogonAfterServiceRestart) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.addUser("tester", "s3cret pass"));
    ASSERT_TRUE(logd.start({"--sim-interval", "0", "--require-logon"}));
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    int32_t reserved = 0;
    ASSERT_NE(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 0);
    EXPECT_NE(LinkLogon("tester", "wrong", 0), MIRABO_OK);
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    ASSERT_EQ(LinkLogon("tester", "s3cret pass", 1), MIRABO_OK);
    EXPECT_EQ(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 1)
        << "the check itself never sends a token";

    link = openTo(logd);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(SwitchSet(1, 1), MIRABO_OK);
    EXPECT_EQ(SwitchGet(1), 1);

    // A restarted service knows no tokens: the toolkit logs on again by itself.
    ASSERT_TRUE(logd.restart());
    EXPECT_TRUE(WaitFor([&] { return LinkIsLost(link) != 0; }));
    LinkClose(link);
    link = openTo(logd);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(SwitchGet(1), 0) << "a new service starts with fresh client state";
    EXPECT_EQ(SwitchSet(1, 1), MIRABO_OK);
    LinkClose(link);

    // The user loses the right to read the log while the service is down: the re-logon succeeds, but
    // the link has no access and must not open.
    logd.stop();
    ASSERT_TRUE(logd.addUser("tester", "s3cret pass", false));
    ASSERT_TRUE(logd.restart());
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT);
    EXPECT_EQ(link, nullptr);
    EXPECT_FALSE(logd.errorOutput().contains("s3cret")) << "passwords never reach the service's log";
}

TEST(ToolkitLogd, UserWithoutLogRightGetsNoAccess) {
    ToolkitScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.addUser("viewer", "pw", false));
    ASSERT_TRUE(logd.start({"--sim-interval", "0", "--require-logon"}));
    int32_t reserved = 0;
    ASSERT_NE(LinkLogonRequired("127.0.0.1", logd.port(), "", 0, "", 10, &reserved), 0);
    EXPECT_EQ(LinkLogon("viewer", "pw", 1), MIRABO_OK) << "the credentials are right";
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(logd.port(), &link), MIRABO_E_ABORT) << "but the user may not read the log";
    EXPECT_EQ(link, nullptr);
}
