// The protocol as a client sees it, against a real mirabo-logd.
#include "LogdClient.h"
#include "common/LogdProcess.h"
#include "common/WaitFor.h"

#include "service/LogQueue.h"
#include "settings/PrivateProfile.h"

#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kClientA = QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
const QString kClientB = QStringLiteral("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
const QString kDemoPassword = QStringLiteral("operator-demo");

QJsonObject result(const QJsonObject& answer) {
    return answer.value(QStringLiteral("result")).toObject();
}

// Reads until `want` code units arrived or nothing more comes; returns everything read.
QString readAll(LogdClient& c, int64_t* seq, int max = 16000, int timeoutMs = 10000, qsizetype want = 1) {
    QString text;
    WaitForEvents(
        [&] {
            const QJsonObject r = c.read(max, *seq);
            text += r.value(QStringLiteral("text")).toString();
            *seq = r.value(QStringLiteral("seq")).toInteger();
            return text.size() >= want;
        },
        timeoutMs);
    return text;
}

class LogdProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
    }
    // A connected client with hello done and log output on.
    std::unique_ptr<LogdClient> reader(const QString& id) {
        auto c = std::make_unique<LogdClient>(logd.port());
        EXPECT_TRUE(c->hello(id).value(QStringLiteral("access")).toBool());
        c->call(QStringLiteral("log.output"), {{QStringLiteral("enable"), true}});
        return c;
    }
    LogdProcess logd;
};

TEST_F(LogdProtocol, HelloAnswersStationAndAccessAndRejectsOtherFirstRequests) {
    LogdClient first(logd.port());
    EXPECT_EQ(LogdClient::errorCode(first.call(QStringLiteral("switch.get"), {{QStringLiteral("index"), 0}})), -32002);
    EXPECT_TRUE(first.waitClosed());

    LogdClient wrongVersion(logd.port());
    const QJsonObject answer = wrongVersion.call(
        QStringLiteral("hello"), {{QStringLiteral("protocol"), 2}, {QStringLiteral("client"), kClientA}});
    EXPECT_EQ(LogdClient::errorCode(answer), -32003);
    EXPECT_TRUE(wrongVersion.waitClosed());

    LogdClient ok(logd.port());
    const QJsonObject hello = ok.hello(kClientA);
    EXPECT_EQ(hello.value(QStringLiteral("protocol")).toInt(), 1);
    EXPECT_EQ(hello.value(QStringLiteral("station")).toString(), QStringLiteral("DEMO"));
    EXPECT_FALSE(hello.value(QStringLiteral("logonRequired")).toBool());
    EXPECT_TRUE(hello.value(QStringLiteral("access")).toBool());
    // Errors that keep the link up.
    EXPECT_EQ(LogdClient::errorCode(ok.call(QStringLiteral("no.such.method"))), -32601);
    EXPECT_EQ(LogdClient::errorCode(ok.call(QStringLiteral("switch.get"), {{QStringLiteral("index"), 14}})), -32602);
    EXPECT_EQ(LogdClient::errorCode(ok.call(QStringLiteral("switch.get"), {{QStringLiteral("index"), QStringLiteral("1")}})),
              -32602);
    EXPECT_EQ(LogdClient::errorCode(ok.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 1},
                                                                          {QStringLiteral("value"), 65536}})),
              -32602);
    EXPECT_EQ(LogdClient::errorCode(ok.call(QStringLiteral("log.read"), {{QStringLiteral("max"), 0}})), -32602);
    EXPECT_EQ(ok.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 1}}).toInt(-1), 0);
}

TEST_F(LogdProtocol, SwitchMaskBitsFollowTheProtocolTable) {
    // bit -> switch index (-1: the date/time stamp)
    const int bitToSwitch[16] = {0, 0, 1, 2, 3, 6, 8, 9, 4, 5, 7, -1, 10, 11, 12, 13};
    LogdClient c(logd.port());
    c.hello(kClientA);
    EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 65535}}).toInt(), 1);
    for (int bit = 1; bit < 16; ++bit) {
        const int sw = bitToSwitch[bit];
        if (sw < 0)
            c.call(QStringLiteral("stamp.set"), {{QStringLiteral("value"), 1}});
        else
            c.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), sw}, {QStringLiteral("value"), 1}});
        EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 65535}}).toInt(), 1 | (1 << bit))
            << "bit " << bit;
        if (sw < 0)
            c.call(QStringLiteral("stamp.set"), {{QStringLiteral("value"), 0}});
        else
            c.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), sw}, {QStringLiteral("value"), 0}});
    }
    // A value other than 0 or 1 is kept as it is and counts as on in the mask.
    c.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 7}, {QStringLiteral("value"), 300}});
    EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 7}}).toInt(), 300);
    EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 65535}}).toInt(), 1 | (1 << 10));
}

TEST_F(LogdProtocol, StateBelongsToTheClientIdNotTheConnection) {
    LogdClient a1(logd.port());
    LogdClient a2(logd.port());
    LogdClient b(logd.port());
    a1.hello(kClientA);
    a2.hello(kClientA);
    b.hello(kClientB);
    a1.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 3}, {QStringLiteral("value"), 1}});
    a1.call(QStringLiteral("opc.set"), {{QStringLiteral("kind"), 12}, {QStringLiteral("param"), 4}, {QStringLiteral("value"), 1}});
    EXPECT_EQ(a2.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 3}}).toInt(), 1);
    EXPECT_EQ(a2.value(QStringLiteral("opc.get"), {{QStringLiteral("kind"), 12}, {QStringLiteral("param"), 4}}).toInt(), 1);
    EXPECT_EQ(b.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 3}}).toInt(), 0);
    // Each state is named by its own random epoch.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(a1.epoch()).hasMatch()) << a1.epoch().toStdString();
    EXPECT_EQ(a1.epoch(), a2.epoch());
    EXPECT_NE(a1.epoch(), b.epoch());
    // New state: OPC parameters 0, verbosity unset (-1).
    EXPECT_EQ(b.value(QStringLiteral("opc.get"), {{QStringLiteral("kind"), 12}, {QStringLiteral("param"), 4}}).toInt(), -1);
    EXPECT_EQ(b.value(QStringLiteral("opc.get"), {{QStringLiteral("kind"), 11}, {QStringLiteral("param"), 0}}).toInt(), 0);
    EXPECT_EQ(LogdClient::errorCode(b.call(QStringLiteral("opc.get"), {{QStringLiteral("kind"), 10}, {QStringLiteral("param"), 0}})),
              -32602);
    // "MIRABO", 0: the other links of the same client.
    EXPECT_EQ(a1.value(QStringLiteral("service.query"), {{QStringLiteral("name"), QStringLiteral("MIRABO")},
                                                        {QStringLiteral("arg"), 0}}).toInt(), 1);
    EXPECT_EQ(b.value(QStringLiteral("service.query"), {{QStringLiteral("name"), QStringLiteral("MIRABO")},
                                                       {QStringLiteral("arg"), 0}}).toInt(), 0);
}

TEST_F(LogdProtocol, InjectedLinesReachClientsByLogOutputAndSwitch) {
    auto tracing = reader(kClientA);  // log output on, switch 3 on
    auto plain = reader(kClientB);    // log output on, no switch
    LogdClient silent(logd.port());   // switch 3 on, log output off
    silent.hello(QStringLiteral("cccccccccccccccccccccccccccccccc"));
    tracing->call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 3}, {QStringLiteral("value"), 1}});
    silent.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 3}, {QStringLiteral("value"), 1}});

    ASSERT_TRUE(logd.inject(3, QStringLiteral("trace only")));
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("for everybody")));
    ASSERT_TRUE(logd.inject(4, QStringLiteral("display, nobody")));
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("end")));
    // Lines are handled in order: once a reader has "end", every line before it has been handed out.
    int64_t seqA = 0, seqB = 0;
    EXPECT_EQ(readAll(*tracing, &seqA, 16000, 10000, 32), QStringLiteral("trace only\r\nfor everybody\r\nend\r\n"));
    EXPECT_EQ(readAll(*plain, &seqB, 16000, 10000, 20), QStringLiteral("for everybody\r\nend\r\n"));
    const QJsonObject nothing = silent.read(16000, 0);
    EXPECT_EQ(nothing.value(QStringLiteral("text")).toString(), QString());
    EXPECT_EQ(nothing.value(QStringLiteral("seq")).toInteger(-1), 0);
}

TEST_F(LogdProtocol, StampPrefixesLocalDateAndTime) {
    auto c = reader(kClientA);
    c->call(QStringLiteral("stamp.set"), {{QStringLiteral("value"), 1}});
    EXPECT_EQ(c->value(QStringLiteral("stamp.get")).toInt(), 1);
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("stamped")));
    int64_t seq = 0;
    const QString text = readAll(*c, &seq, 16000, 10000, 10);
    static const QRegularExpression re(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} stamped\r\n$"));
    EXPECT_TRUE(re.match(text).hasMatch()) << text.toStdString();
}

TEST_F(LogdProtocol, LogReadTakesWholeMessagesAndNeverSplitsASurrogatePair) {
    auto c = reader(kClientA);
    auto witness = reader(kClientB);
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("12345678")));  // 10 units with CR LF
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("abcd")));      // 6 units
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("x") + clef + QStringLiteral("y"))); // x, pair, y, CR LF
    // A second reader receives the same lines in the same order: once it has the last, so has c.
    int64_t witnessSeq = 0;
    ASSERT_TRUE(readAll(*witness, &witnessSeq, 16000, 10000, 22).endsWith(QStringLiteral("y\r\n")));
    int64_t seq = 0;
    auto read = [&](int max) {
        QJsonObject r;
        WaitForEvents([&] {
            r = c->read(max, seq);
            return !r.value(QStringLiteral("text")).toString().isEmpty();
        });
        seq = r.value(QStringLiteral("seq")).toInteger();
        return r.value(QStringLiteral("text")).toString();
    };
    EXPECT_EQ(read(15), QStringLiteral("12345678\r\n"));           // the second would not fit
    EXPECT_EQ(read(4), QStringLiteral("abcd"));                    // first message longer: cut
    EXPECT_EQ(read(100), QStringLiteral("\r\n") + QStringLiteral("x") + clef + QStringLiteral("y\r\n"));
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("x") + clef));
    EXPECT_EQ(read(2), QStringLiteral("x"));                       // x + high surrogate would split the pair
    EXPECT_EQ(read(2), clef);
    EXPECT_EQ(read(5), QStringLiteral("\r\n"));
    EXPECT_EQ(seq, 6);
}

TEST_F(LogdProtocol, UnacknowledgedAnswerIsRepeatedUntilAcknowledgedInItsOwnEpoch) {
    int64_t seq = 0;
    QString epoch;
    {
        auto c = reader(kClientA);
        epoch = c->epoch();
        ASSERT_TRUE(logd.inject(-1, QStringLiteral("first")));
        EXPECT_EQ(readAll(*c, &seq, 16000, 10000, 7), QStringLiteral("first\r\n"));
        EXPECT_EQ(seq, 1);
        ASSERT_TRUE(logd.inject(-1, QStringLiteral("second")));
        // The answer to this read is "lost": the client never acknowledges it.
        QJsonObject lost;
        ASSERT_TRUE(WaitForEvents([&] {
            lost = c->read(16000, 1);
            return !lost.value(QStringLiteral("text")).toString().isEmpty();
        }));
        EXPECT_EQ(lost.value(QStringLiteral("seq")).toInteger(), 2);
    }
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("third")));
    LogdClient again(logd.port());
    again.hello(kClientA);
    EXPECT_EQ(again.epoch(), epoch) << "the state outlived its link";
    // ack 1 is older than the kept answer 2: the same text under the same seq, before anything newer.
    QJsonObject r = again.read(16000, 1);
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QStringLiteral("second\r\n"));
    EXPECT_EQ(r.value(QStringLiteral("seq")).toInteger(), 2);
    // The right seq under another epoch acknowledges nothing either.
    r = result(again.call(QStringLiteral("log.read"), {{QStringLiteral("max"), 16000},
                                                      {QStringLiteral("ack"), 2},
                                                      {QStringLiteral("epoch"), QStringLiteral("0123456789abcdef")}}));
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QStringLiteral("second\r\n"));
    EXPECT_EQ(r.value(QStringLiteral("seq")).toInteger(), 2);
    seq = 2;
    EXPECT_EQ(readAll(again, &seq, 16000, 10000, 7), QStringLiteral("third\r\n"));
    EXPECT_EQ(seq, 3);
    // An empty queue answers "" with the last seq that had text; discard drops the kept text too.
    r = again.read(16000, 3);
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QString());
    EXPECT_EQ(r.value(QStringLiteral("seq")).toInteger(), 3);
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("fourth")));
    readAll(again, &seq, 16000, 10000, 8);
    again.call(QStringLiteral("log.discard"));
    r = again.read(16000, 0);
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QString());
}

// Injects `lines` messages "NNNzzz...z" of 4002 units each and a last one "last", before the client
// reads; then reads until "last" arrived.
QString injectThenReadAll(LogdProcess& logd, LogdClient& c, int lines) {
    const QString filler(4000, QLatin1Char('z'));
    for (int i = 0; i < lines; ++i)
        EXPECT_TRUE(logd.inject(-1, QString::number(i).rightJustified(3, QLatin1Char('0')) + filler));
    EXPECT_TRUE(logd.inject(-1, QStringLiteral("last")));
    int64_t seq = 0;
    QString all;
    EXPECT_TRUE(WaitForEvents([&] {
        all += readAll(c, &seq, 1048576, 200);
        return all.endsWith(QStringLiteral("last\r\n"));
    }, 20000));
    return all;
}

TEST_F(LogdProtocol, FullQueueDropsOldestAndSaysHowMany) {
    auto c = reader(kClientA);
    const int lines = 300; // 300 * 4002 units: more than the 1 Mi units a queue holds by default
    const QString all = injectThenReadAll(logd, *c, lines);
    ASSERT_TRUE(all.endsWith(QStringLiteral("last\r\n")));
    static const QRegularExpression drop(QStringLiteral("^mirabo-logd: (\\d+) messages dropped[^\r\n]*\r\n(\\d{3})z"));
    const auto m = drop.match(all);
    ASSERT_TRUE(m.hasMatch()) << all.left(200).toStdString();
    const int dropped = m.captured(1).toInt();
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(m.captured(2).toInt(), dropped); // the first kept message is the one after the dropped ones
    EXPECT_EQ(all.count(QLatin1Char('\n')), 1 + (lines - dropped) + 1);
}

TEST_F(LogdProtocol, LargerQueueKeepsWhatTheDefaultOneDrops) {
    logd.stop();
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--queue-size"),
                            QStringLiteral("2")}));
    auto c = reader(kClientA);
    const int lines = 300; // as above: 1.15 Mi units, within 2 Mi
    const QString all = injectThenReadAll(logd, *c, lines);
    ASSERT_TRUE(all.endsWith(QStringLiteral("last\r\n")));
    EXPECT_FALSE(all.contains(QStringLiteral("dropped"))) << all.left(200).toStdString();
    EXPECT_GT(all.size(), logd::LogQueue::kDefaultCapacity);
    EXPECT_TRUE(all.startsWith(QStringLiteral("000z")));
    EXPECT_EQ(all.count(QLatin1Char('\n')), lines + 1);
}

TEST_F(LogdProtocol, LogonRequiredGatesAccessAndTokensDieWithTheService) {
    logd.stop();
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--require-logon")}));
    LogdClient c(logd.port());
    QJsonObject hello = c.hello(kClientA);
    EXPECT_TRUE(hello.value(QStringLiteral("logonRequired")).toBool());
    EXPECT_FALSE(hello.value(QStringLiteral("access")).toBool());
    EXPECT_EQ(LogdClient::errorCode(c.call(QStringLiteral("switch.get"), {{QStringLiteral("index"), 0}})), -32002);
    EXPECT_EQ(LogdClient::errorCode(c.call(QStringLiteral("logon"), {{QStringLiteral("user"), QStringLiteral("operator")},
                                                                    {QStringLiteral("password"), QStringLiteral("wrong")},
                                                                    {QStringLiteral("interactive"), true}})),
              -32001);
    const QJsonObject logon = c.call(QStringLiteral("logon"), {{QStringLiteral("user"), QStringLiteral("Operator")},
                                                               {QStringLiteral("password"), kDemoPassword},
                                                               {QStringLiteral("interactive"), false}});
    const QString token = result(logon).value(QStringLiteral("token")).toString();
    ASSERT_FALSE(token.isEmpty());
    EXPECT_EQ(LogdClient::errorCode(c.call(QStringLiteral("switch.get"), {{QStringLiteral("index"), 0}})), 0);

    LogdClient withToken(logd.port());
    hello = withToken.hello(kClientA, token);
    EXPECT_FALSE(hello.value(QStringLiteral("logonRequired")).toBool());
    EXPECT_TRUE(hello.value(QStringLiteral("access")).toBool());
    LogdClient badToken(logd.port());
    EXPECT_TRUE(badToken.hello(kClientA, token + QStringLiteral("0")).value(QStringLiteral("logonRequired")).toBool());

    const QString log = logd.errorOutput();
    EXPECT_FALSE(log.contains(kDemoPassword));
    EXPECT_FALSE(log.contains(token));
    EXPECT_TRUE(log.contains(QStringLiteral("refused")));

    ASSERT_TRUE(logd.restart());
    LogdClient afterRestart(logd.port());
    EXPECT_TRUE(afterRestart.hello(kClientA, token).value(QStringLiteral("logonRequired")).toBool());
}

TEST_F(LogdProtocol, ProfileSetPersistsToTheProjectFile) {
    LogdClient c(logd.port());
    c.hello(kClientA);
    const QJsonObject set = c.call(QStringLiteral("profile.set"), {{QStringLiteral("section"), QStringLiteral("Kestra")},
                                                                   {QStringLiteral("key"), QStringLiteral("Tag3")},
                                                                   {QStringLiteral("value"), QStringLiteral("Mixer.State")}});
    EXPECT_EQ(LogdClient::errorCode(set), 0);
    EXPECT_EQ(c.value(QStringLiteral("profile.get"), {{QStringLiteral("section"), QStringLiteral("kestra")},
                                                     {QStringLiteral("key"), QStringLiteral("TAG3")}}).toString(),
              QStringLiteral("Mixer.State"));
    const QString file = logd.projectDir() + QStringLiteral("/profile.ini");
    EXPECT_EQ(profile::GetPrivateProfileString(QStringLiteral("Kestra"), QStringLiteral("Tag3"), QString(), 100, file),
              QStringLiteral("Mixer.State"));
    EXPECT_EQ(profile::GetPrivateProfileString(QStringLiteral("Kestra"), QStringLiteral("Tag1"), QString(), 100, file),
              QStringLiteral("Tank1.Level"));
    EXPECT_TRUE(c.value(QStringLiteral("profile.get"), {{QStringLiteral("section"), QStringLiteral("Kestra")},
                                                       {QStringLiteral("key"), QStringLiteral("Tag9")}}).isNull());
    EXPECT_EQ(c.value(QStringLiteral("config.get"), {{QStringLiteral("section"), QStringLiteral("Font")},
                                                    {QStringLiteral("key"), QStringLiteral("CharSet")}}).toString(),
              QStringLiteral("0"));
    // A value that would break the file's lines is refused.
    EXPECT_EQ(LogdClient::errorCode(c.call(QStringLiteral("profile.set"), {{QStringLiteral("section"), QStringLiteral("Kestra")},
                                                                          {QStringLiteral("key"), QStringLiteral("Tag4")},
                                                                          {QStringLiteral("value"), QStringLiteral("a\nb=c")}})),
              -32602);
    const QString path = result(c.call(QStringLiteral("project.path"), {{QStringLiteral("file"), QStringLiteral("a.txt")}}))
                             .value(QStringLiteral("path")).toString();
    EXPECT_EQ(path, QDir(logd.projectDir()).absolutePath() + QStringLiteral("/a.txt"));
}

TEST_F(LogdProtocol, TagLookupsFollowTheProjectsTags) {
    LogdClient c(logd.port());
    c.hello(kClientA);
    QJsonObject r = result(c.call(QStringLiteral("tag.parse"), {{QStringLiteral("name"), QStringLiteral("tank1.LEVEL")}}));
    EXPECT_TRUE(r.value(QStringLiteral("valid")).toBool());
    EXPECT_EQ(r.value(QStringLiteral("id")).toInt(), 1);
    EXPECT_FALSE(result(c.call(QStringLiteral("tag.parse"), {{QStringLiteral("name"), QStringLiteral(" Tank1.Level")}}))
                     .value(QStringLiteral("valid")).toBool());
    EXPECT_EQ(result(c.call(QStringLiteral("tag.normalize"), {{QStringLiteral("name"), QStringLiteral("  pump1.running ")}}))
                  .value(QStringLiteral("name")).toString(),
              QStringLiteral("Pump1.Running"));
    EXPECT_EQ(result(c.call(QStringLiteral("tag.normalize"), {{QStringLiteral("name"), QStringLiteral(" NoSuchTag ")}}))
                  .value(QStringLiteral("name")).toString(),
              QStringLiteral("NoSuchTag"));
    const QJsonArray all = result(c.call(QStringLiteral("tag.list"), {{QStringLiteral("filter"), QString()}}))
                               .value(QStringLiteral("tags")).toArray();
    EXPECT_EQ(all.size(), 12);
    const QJsonArray tanks = result(c.call(QStringLiteral("tag.list"), {{QStringLiteral("filter"), QStringLiteral("TANK")}}))
                                 .value(QStringLiteral("tags")).toArray();
    ASSERT_EQ(tanks.size(), 3);
    EXPECT_EQ(tanks[0].toObject().value(QStringLiteral("type")).toString(), QStringLiteral("Real"));
    EXPECT_FALSE(tanks[0].toObject().value(QStringLiteral("description")).toString().isEmpty());
    EXPECT_EQ(LogdClient::errorCode(c.call(QStringLiteral("tag.log"), {{QStringLiteral("name"), QStringLiteral("Nope")},
                                                                      {QStringLiteral("enable"), true}})),
              -32602);
}

TEST(LogdLinger, ClientStateOutlivesItsLastLinkForTheLingerTime) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--client-linger"),
                            QStringLiteral("4000")}));
    const QString id = QStringLiteral("dddddddddddddddddddddddddddddddd");
    QString epoch;
    {
        LogdClient c(logd.port());
        epoch = c.hello(id).value(QStringLiteral("epoch")).toString();
        c.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), 5}, {QStringLiteral("value"), 1}});
        c.call(QStringLiteral("log.output"), {{QStringLiteral("enable"), true}});
    }
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("while away")));
    {
        LogdClient c(logd.port());
        EXPECT_EQ(c.hello(id).value(QStringLiteral("epoch")).toString(), epoch);
        EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 5}}).toInt(), 1);
        int64_t seq = 0;
        EXPECT_EQ(readAll(c, &seq, 16000, 10000, 12), QStringLiteral("while away\r\n"));
    }
    // Gone once the linger time has passed without a link (a probe link would keep it, so the service's
    // own log tells when).
    ASSERT_TRUE(WaitForEvents([&] { return logd.errorOutput().contains(QStringLiteral("client dddddddd...: state dropped")); },
                        20000));
    LogdClient c(logd.port());
    EXPECT_NE(c.hello(id).value(QStringLiteral("epoch")).toString(), epoch) << "a new state";
    EXPECT_EQ(c.value(QStringLiteral("switch.get"), {{QStringLiteral("index"), 5}}).toInt(), 0);
}

} // namespace
