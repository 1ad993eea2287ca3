// The service's pure pieces: password hashes, the bounded queue, framing, tags, injected lines.
#include "service/ClientState.h"
#include "service/Dispatcher.h"
#include "service/Injector.h"
#include "service/LineReader.h"
#include "service/LogQueue.h"
#include "service/LogonGuard.h"
#include "service/Options.h"
#include "service/PasswordHash.h"
#include "service/Project.h"
#include "service/TagTable.h"
#include "service/TokenStore.h"
#include "service/UserStore.h"

#include "fuzz/FuzzTargets.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace logd;

TEST(PasswordHash, VerifiesOnlyTheRightPasswordAndSaltsEveryHash) {
    const QString h1 = makePasswordHash(QStringLiteral("s3cret"), 1000);
    const QString h2 = makePasswordHash(QStringLiteral("s3cret"), 1000);
    EXPECT_TRUE(h1.startsWith(QStringLiteral("pbkdf2-sha256$1000$")));
    EXPECT_NE(h1, h2); // a fresh salt each time
    EXPECT_TRUE(verifyPassword(QStringLiteral("s3cret"), h1));
    EXPECT_TRUE(verifyPassword(QStringLiteral("s3cret"), h2));
    EXPECT_FALSE(verifyPassword(QStringLiteral("s3cret "), h1));
    EXPECT_FALSE(verifyPassword(QString(), h1));
    // Malformed or foreign hashes never verify.
    EXPECT_FALSE(verifyPassword(QStringLiteral("s3cret"), QStringLiteral("s3cret")));
    EXPECT_FALSE(verifyPassword(QStringLiteral("x"), QStringLiteral("pbkdf2-sha256$0$AAAA$AAAA")));
    EXPECT_FALSE(verifyPassword(QStringLiteral("x"), QStringLiteral("pbkdf2-sha256$10$!!$AAAA")));
    QString otherScheme = h1;
    otherScheme.replace(QStringLiteral("sha256"), QStringLiteral("sha1"));
    EXPECT_FALSE(verifyPassword(QStringLiteral("s3cret"), otherScheme));
}

TEST(UserStore, WriteUserReplacesOnlyThatUsersLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("users.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# comment\nanna:yes:pbkdf2-sha256$1$AA==$AA==\nbob:no:x\n");
    f.close();
    QString error;
    ASSERT_TRUE(UserStore::writeUser(path, {QStringLiteral("ANNA"), false, makePasswordHash(QStringLiteral("pw"), 10)}, &error));
    ASSERT_TRUE(UserStore::writeUser(path, {QStringLiteral("carl"), true, makePasswordHash(QStringLiteral("c"), 10)}, &error));
    UserStore store;
    QStringList warnings;
    ASSERT_TRUE(store.load(path, &warnings));
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(store.count(), 3);
    ASSERT_TRUE(store.verify(QStringLiteral("anna"), QStringLiteral("pw")));
    EXPECT_FALSE(store.find(QStringLiteral("anna"))->mayReadLog);
    EXPECT_TRUE(store.verify(QStringLiteral("Carl"), QStringLiteral("c")));
    EXPECT_FALSE(store.verify(QStringLiteral("bob"), QStringLiteral("x"))); // "x" is no hash
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith("# comment\nANNA:no:pbkdf2-sha256$10$"));
    EXPECT_FALSE(UserStore::validName(QStringLiteral("a:b")));
    EXPECT_FALSE(UserStore::validName(QStringLiteral("a b")));
}

TEST(LogQueue, TakesWholeMessagesOrCutsTheFirstWithoutSplittingPairs) {
    LogQueue q;
    q.push(QStringLiteral("one\r\n"));
    q.push(QStringLiteral("two\r\n"));
    EXPECT_EQ(q.take(9), QStringLiteral("one\r\n"));
    EXPECT_EQ(q.take(2), QStringLiteral("tw"));
    EXPECT_EQ(q.take(100), QStringLiteral("o\r\n"));
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.take(100), QString());
    const QString pair = QString::fromUcs4(U"\U0001F600");
    q.push(pair + QStringLiteral("\r\n"));
    EXPECT_EQ(q.take(1), QString()); // a lone high surrogate is never handed out
    EXPECT_EQ(q.take(2), pair);
    EXPECT_EQ(q.units(), 2);
}

TEST(LogQueue, OverflowDropsOldestAndReportsOnceAhead) {
    LogQueue q(20);
    for (int i = 0; i < 5; ++i)
        q.push(QStringLiteral("msg%1\r\n").arg(i)); // 6 units each: room for 3
    EXPECT_EQ(q.dropped(), 2);
    EXPECT_LE(q.units(), 20);
    const QString all = q.take(1000);
    EXPECT_EQ(all, LogQueue::dropLine(2) + QStringLiteral("msg2\r\nmsg3\r\nmsg4\r\n"));
    EXPECT_TRUE(all.startsWith(QStringLiteral("mirabo-logd: 2 messages dropped")));
    EXPECT_TRUE(q.empty());
    q.push(QStringLiteral("after\r\n"));
    EXPECT_EQ(q.take(1000), QStringLiteral("after\r\n"));
    // One message longer than the whole queue is cut to fit, keeping its line end.
    q.push(QString(50, QLatin1Char('x')) + QStringLiteral("\r\n"));
    const QString big = q.take(1000);
    EXPECT_EQ(big.size(), 20);
    EXPECT_TRUE(big.endsWith(QStringLiteral("\r\n")));
}

TEST(ClientState, KeepsTheLastAnswerUntilAcknowledged) {
    ClientState c(QStringLiteral("id"));
    const QString e = c.epoch();
    EXPECT_NE(e, ClientState(QStringLiteral("id")).epoch()) << "every state gets an epoch of its own";
    const QDateTime now = QDateTime::currentDateTime();
    c.deliver(QStringLiteral("a"), now);
    LogReadResult r = c.read(100, 0, e);
    EXPECT_EQ(r.text, QStringLiteral("a\r\n"));
    EXPECT_EQ(r.seq, 1);
    c.deliver(QStringLiteral("b"), now);
    r = c.read(100, 0, e); // not acknowledged: same answer again
    EXPECT_EQ(r.text, QStringLiteral("a\r\n"));
    EXPECT_EQ(r.seq, 1);
    r = c.read(100, 1, QStringLiteral("another state")); // the right seq, but not of this state
    EXPECT_EQ(r.text, QStringLiteral("a\r\n"));
    r = c.read(100, 1, e);
    EXPECT_EQ(r.text, QStringLiteral("b\r\n"));
    EXPECT_EQ(r.seq, 2);
    r = c.read(100, 2, e);
    EXPECT_EQ(r.text, QString());
    EXPECT_EQ(r.seq, 2);
    // A repeat asked with a smaller max hands the kept text out in pieces, nothing lost or doubled.
    c.deliver(QStringLiteral("long line"), now);
    c.deliver(QStringLiteral("next"), now);
    EXPECT_EQ(c.read(100, 2, e).text, QStringLiteral("long line\r\nnext\r\n"));
    QString again;
    int64_t seq = 2;
    for (int i = 0; i < 10; ++i) {
        r = c.read(5, seq, e);
        again += r.text;
        seq = r.seq;
    }
    EXPECT_EQ(again, QStringLiteral("long line\r\nnext\r\n"));
}

TEST(ClientState, MaskHasBitZeroAndOneBitPerSwitch) {
    ClientState c(QStringLiteral("id"));
    EXPECT_EQ(c.switchMask(), 1);
    c.setSwitch(6, 1); // DDE: bit 5
    c.setStamp(1);     // bit 11
    c.setSwitch(13, 1); // bit 15
    EXPECT_EQ(c.switchMask(), 1 | (1 << 5) | (1 << 11) | (1 << 15));
    EXPECT_EQ(c.opcParam(12, 4), -1);
    EXPECT_EQ(c.opcParam(12, 0), 0);
}

TEST(LineReader, SplitsLinesAndRefusesOversizedOnes) {
    LineReader r(10);
    QByteArray line;
    r.append("abc\nde");
    EXPECT_EQ(r.next(&line), LineReader::Result::Line);
    EXPECT_EQ(line, "abc");
    EXPECT_EQ(r.next(&line), LineReader::Result::NeedMore);
    r.append("f\n");
    EXPECT_EQ(r.next(&line), LineReader::Result::Line);
    EXPECT_EQ(line, "def");
    r.append("0123456789"); // exactly the limit, still waiting for its end
    EXPECT_EQ(r.next(&line), LineReader::Result::NeedMore);
    r.append("X");
    EXPECT_EQ(r.next(&line), LineReader::Result::TooLong);
}

// Request lines go through the dispatcher without any socket. A line that is not well-formed UTF-8 closes
// the connection unanswered; well-formed text of any plane is answered.
TEST(Dispatcher, MalformedUtf8ClosesWithoutAnswerAndLogReadsSayWhatWaits) {
    Project project;
    QString error;
    QStringList warnings;
    ASSERT_TRUE(project.load(QStringLiteral(KESTRA_SOURCE_DIR "/service/demo"), &error, &warnings));
    Service service(project, ServiceOptions());
    Dispatcher dispatcher(service);
    Session session;
    dispatcher.handleLine(session, R"({"jsonrpc":"2.0","id":1,"method":"hello","params":{"protocol":1,"client":"u"}})");
    ASSERT_TRUE(session.access);
    auto normalize = [&](const QByteArray& name) {
        return dispatcher.handleLine(
            session, R"({"jsonrpc":"2.0","id":2,"method":"tag.normalize","params":{"name":")" + name + "\"}}");
    };
    const Outcome good = normalize(QStringLiteral("Grüße 😀").toUtf8());
    EXPECT_TRUE(good.answer.contains(QStringLiteral("Grüße 😀").toUtf8()));
    EXPECT_FALSE(good.close);
    const std::pair<const char*, QByteArray> bad[] = {
        {"cut short", "\xC3"},         {"overlong", "\xC0\xAF"}, {"a surrogate", "\xED\xA0\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"}, {"never a byte of UTF-8", "\xFF"}};
    for (const auto& [what, bytes] : bad) {
        const Outcome o = normalize(bytes);
        EXPECT_TRUE(o.answer.isEmpty()) << what;
        EXPECT_TRUE(o.close) << what;
    }

    // Every log.read answer says how much text still waits behind it, so a client that fell behind
    // reads again at once.
    session.client->deliver(QStringLiteral("fourth"), QDateTime::currentDateTime());
    session.client->deliver(QStringLiteral("fifth"), QDateTime::currentDateTime());
    const auto read = [&](int ack) {
        const QByteArray line = R"({"jsonrpc":"2.0","id":3,"method":"log.read","params":{"max":8,"ack":)" +
                                QByteArray::number(ack) + R"(,"epoch":")" + session.client->epoch().toUtf8() + "\"}}";
        return QJsonDocument::fromJson(dispatcher.handleLine(session, line).answer).object()
            .value(QStringLiteral("result")).toObject();
    };
    QJsonObject r = read(0);
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QStringLiteral("fourth\r\n"));
    EXPECT_EQ(r.value(QStringLiteral("waiting")).toInteger(), 7) << "fifth and its line end";
    r = read(1);
    EXPECT_EQ(r.value(QStringLiteral("text")).toString(), QStringLiteral("fifth\r\n"));
    EXPECT_EQ(r.value(QStringLiteral("waiting")).toInteger(), 0);
    dispatcher.endSession(session);
}

TEST(LogonGuard, RefusalsLockOutANameOrAnAddressForAWhile) {
    LogonGuard g(LogonPolicy{100, 2, 1000}); // 2 tries per name, 8 per address, locked for 1 s
    EXPECT_EQ(g.refused(QStringLiteral("Op"), QStringLiteral("a1"), 0), LogonGuard::Nothing);
    EXPECT_FALSE(g.lockedOut(QStringLiteral("op"), QStringLiteral("a2"), 10));
    EXPECT_EQ(g.refused(QStringLiteral("OP"), QStringLiteral("a2"), 20), LogonGuard::User); // from any address
    EXPECT_TRUE(g.lockedOut(QStringLiteral("op"), QStringLiteral("a3"), 30));
    EXPECT_FALSE(g.lockedOut(QStringLiteral("other"), QStringLiteral("a3"), 30));
    EXPECT_FALSE(g.lockedOut(QStringLiteral("op"), QStringLiteral("a3"), 20 + 1000)) << "the lock-out ends";
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(g.refused(QStringLiteral("u%1").arg(i), QStringLiteral("a9"), 2000), LogonGuard::Nothing);
    EXPECT_EQ(g.refused(QStringLiteral("u7"), QStringLiteral("a9"), 2000), LogonGuard::Address);
    EXPECT_TRUE(g.lockedOut(QStringLiteral("anyone"), QStringLiteral("a9"), 2001));
    EXPECT_FALSE(g.lockedOut(QStringLiteral("anyone"), QStringLiteral("a8"), 2001));
    // An accepted logon, or time, clears a name's count.
    g.refused(QStringLiteral("x"), QStringLiteral("b"), 5000);
    g.accepted(QStringLiteral("X"));
    EXPECT_EQ(g.refused(QStringLiteral("x"), QStringLiteral("b"), 5001), LogonGuard::Nothing);
    EXPECT_EQ(g.refused(QStringLiteral("x"), QStringLiteral("b"), 5001 + 1001), LogonGuard::Nothing);
}

TEST(TokenStore, TokensAreLongAndRandomExpireAndGoWithTheirUser) {
    TokenStore store(1000);
    const QString a = store.issue(QStringLiteral("anna"), 0);
    const QString b = store.issue(QStringLiteral("bob"), 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(a).hasMatch()) << "256 bits";
    EXPECT_NE(a, b);
    EXPECT_EQ(store.userOf(a, 999), QStringLiteral("anna"));
    EXPECT_EQ(store.userOf(a, 1000), QString()) << "expired";
    EXPECT_EQ(store.dropUsers([](const QString& user) { return user != QLatin1String("bob"); }), 1);
    EXPECT_EQ(store.userOf(b, 10), QString());
    EXPECT_EQ(store.count(), 1);
}

TEST(TagTable, ParsesLinesAndStepsValues) {
    Tag t;
    QString reason;
    ASSERT_TRUE(TagTable::parseLine(QStringLiteral("Pump.Speed | integer | ramp 0 10 4 | Speed | rpm"), &t, &reason));
    EXPECT_EQ(t.type, QStringLiteral("Integer"));
    EXPECT_EQ(t.description, QStringLiteral("Speed | rpm"));
    EXPECT_EQ(t.value, QStringLiteral("0"));
    EXPECT_FALSE(TagTable::parseLine(QStringLiteral("X | Float | const 1"), &t, &reason));
    EXPECT_FALSE(TagTable::parseLine(QStringLiteral("X | Real | sine 1 2"), &t, &reason));
    EXPECT_FALSE(TagTable::parseLine(QStringLiteral("X | Real | wobble"), &t, &reason));

    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("tags.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# tags\nA | Integer | ramp 0 10 4 |\nB | String | const fixed text |\nbad line\nC | Boolean | toggle 2\n");
    f.close();
    TagTable table;
    QStringList warnings;
    ASSERT_TRUE(table.load(f.fileName(), &warnings));
    EXPECT_EQ(warnings.size(), 1);
    ASSERT_EQ(table.tags().size(), 3);
    EXPECT_EQ(table.find(QStringLiteral("c"))->id, 3);
    EXPECT_EQ(table.find(QStringLiteral("B"))->value, QStringLiteral("fixed text"));
    EXPECT_EQ(table.step(), QList<int>({1}));          // A 4; C stays 0 for two steps
    EXPECT_EQ(table.step(), QList<int>({1, 3}));       // A 8, C 1
    EXPECT_EQ(table.step(), QList<int>({1}));          // A back to 0 after passing 10
    EXPECT_EQ(table.byId(1)->value, QStringLiteral("0"));
}

TEST(Injector, ParsesCategoryAndText) {
    auto l = parseInjectedLine("3\tvalue\twith tab\r");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->category, 3);
    EXPECT_EQ(l->text, QStringLiteral("value\twith tab"));
    l = parseInjectedLine("\tto all");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->category, -1);
    l = parseInjectedLine("no tab at all");
    ASSERT_TRUE(l);
    EXPECT_EQ(l->category, -1);
    EXPECT_EQ(l->text, QStringLiteral("no tab at all"));
    EXPECT_FALSE(parseInjectedLine("14\tout of range"));
    EXPECT_FALSE(parseInjectedLine("x\tnot a number"));
}

TEST(Options, ListenAddressAndDefaults) {
    QHostAddress a;
    quint16 port = 0;
    EXPECT_TRUE(parseListen(QStringLiteral("127.0.0.1:0"), &a, &port));
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(port, 0);
    EXPECT_TRUE(parseListen(QStringLiteral("[::1]:4321"), &a, &port));
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_EQ(port, 4321);
    EXPECT_TRUE(parseListen(QStringLiteral("localhost:1234"), &a, &port));
    a.clear();
    EXPECT_TRUE(parseListen(QStringLiteral("Station.LOCALHOST.:1234"), &a, &port)); // no lookup: no /etc/hosts needed
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHost));
    EXPECT_FALSE(parseListen(QStringLiteral("localhost.example:1234"), &a, &port));
    EXPECT_FALSE(parseListen(QStringLiteral("127.0.0.1"), &a, &port));
    EXPECT_FALSE(parseListen(QStringLiteral("127.0.0.1:65536"), &a, &port));
    EXPECT_FALSE(parseListen(QStringLiteral("nohost:12"), &a, &port));

    LogdOptions o;
    QString error;
    ASSERT_TRUE(parseOptions({QStringLiteral("--project"), QStringLiteral("/p")}, &o, &error));
    EXPECT_EQ(o.port, 1234);
    EXPECT_EQ(o.address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(o.simIntervalMs, 1500);
    EXPECT_EQ(o.lingerMs, 60000);
    EXPECT_TRUE(o.readStdin);
    EXPECT_FALSE(o.requireLogon);
    EXPECT_FALSE(parseOptions({}, &o, &error));                       // no project
    EXPECT_FALSE(parseOptions({QStringLiteral("--project"), QStringLiteral("/p"), QStringLiteral("--sim-interval"),
                               QStringLiteral("-5")}, &o, &error));
    ASSERT_TRUE(parseOptions({QStringLiteral("--project"), QStringLiteral("/p"), QStringLiteral("--require-logon"),
                              QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--client-linger"),
                              QStringLiteral("250")}, &o, &error));
    EXPECT_TRUE(o.requireLogon);
    EXPECT_EQ(o.lingerMs, 250);
    EXPECT_EQ(o.port, 0);

    // --queue-size counts Mi code units, at most 256.
    ASSERT_TRUE(parseOptions({QStringLiteral("--project"), QStringLiteral("/p"), QStringLiteral("--queue-size"),
                              QStringLiteral("256")}, &o, &error));
    EXPECT_EQ(o.queueCapacity, qsizetype(256) << 20);
    EXPECT_FALSE(parseOptions({QStringLiteral("--project"), QStringLiteral("/p"), QStringLiteral("--queue-size"),
                               QStringLiteral("257")}, &o, &error));
}

// Every stored input of the service's fuzz targets (seeds and any crash a fuzzer run found).
TEST(FuzzInputs, RequestsAndProfilesAreHandledSafely) {
    for (const auto& [target, entry] : {std::pair{"service_request", &FuzzServiceRequest},
                                        std::pair{"profile_read", &FuzzProfileRead}}) {
        const auto inputs = FuzzInputs(QLatin1String(target), QStringLiteral(KESTRA_SOURCE_DIR));
        EXPECT_FALSE(inputs.empty()) << target;
        for (const QByteArray& input : inputs)
            EXPECT_EQ(FuzzReplay(entry, input), 0) << target;
    }
}
