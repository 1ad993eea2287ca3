// The service's limits as a peer on the network meets them: logon delays and lock-outs, tokens that go
// with their user, and the per-connection limits. Other hosts are stood for by other loopback addresses.
#include "LogdClient.h"
#include "common/LogdProcess.h"
#include "common/WaitFor.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

const QString kOperatorPassword = QStringLiteral("operator-demo");

QString host(int n) {
    return QStringLiteral("127.0.0.%1").arg(n);
}

QJsonObject logon(LogdClient& c, const QString& user, const QString& password) {
    return c.call(QStringLiteral("logon"), {{QStringLiteral("user"), user}, {QStringLiteral("password"), password}});
}

QString tokenOf(const QJsonObject& answer) {
    return answer.value(QStringLiteral("result")).toObject().value(QStringLiteral("token")).toString();
}

// A refusal held back for long does not hold anybody else up: the service goes on serving (a logon with
// its password hash included) while it holds the answer on a timer.
TEST(LogdLimits, HeldRefusalHoldsNobodyElseUp) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--require-logon"),
                            QStringLiteral("--logon-delay"), QStringLiteral("30000")}));
    LogdClient wrong(logd.port(), host(1));
    wrong.hello(QStringLiteral("w"));
    wrong.sendRaw(LogdClient::requestLine(2, QStringLiteral("logon"), {{QStringLiteral("user"), QStringLiteral("operator")},
                                                       {QStringLiteral("password"), QStringLiteral("wrong-pw")}}));
    LogdClient right(logd.port(), host(2));
    right.hello(QStringLiteral("r"));
    const QString token = tokenOf(logon(right, QStringLiteral("operator"), kOperatorPassword));
    EXPECT_FALSE(token.isEmpty());
    EXPECT_EQ(right.value(QStringLiteral("stamp.get")).toInt(-1), 0);
    EXPECT_FALSE(wrong.hasLine()) << "the refusal is still held back";
    EXPECT_TRUE(logd.errorOutput().contains(QStringLiteral("logon of user \"operator\" refused")));
    const QString log = logd.errorOutput();
    EXPECT_FALSE(log.contains(QStringLiteral("wrong-pw")) || log.contains(kOperatorPassword) || log.contains(token));
}

TEST(LogdLimits, LockOutsByNameAndAddressAndTokensThatGoWithTheirUser) {
    LogdProcess logd;
    ASSERT_TRUE(logd.addUser(QStringLiteral("guest"), QStringLiteral("guest-pw")));
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--require-logon"),
                            QStringLiteral("--logon-delay"), QStringLiteral("100"), QStringLiteral("--logon-tries"),
                            QStringLiteral("2"), QStringLiteral("--logon-lockout"), QStringLiteral("600000")}));
    auto logonFrom = [&](int from, const QString& user, const QString& password) {
        LogdClient c(logd.port(), host(from));
        c.hello(QStringLiteral("c%1").arg(from));
        return logon(c, user, password);
    };
    // Two refusals of one name, from different addresses, lock the name out: the right password no longer
    // helps, from anywhere. Every refusal comes late.
    QElapsedTimer sinceSent;
    sinceSent.start();
    EXPECT_EQ(LogdClient::errorCode(logonFrom(1, QStringLiteral("operator"), QStringLiteral("wrong-pw"))), -32001);
    EXPECT_GE(sinceSent.elapsed(), 100 - 5); // the service's timers count whole milliseconds
    EXPECT_EQ(LogdClient::errorCode(logonFrom(3, QStringLiteral("Operator"), QStringLiteral("wrong-pw"))), -32001);
    EXPECT_EQ(LogdClient::errorCode(logonFrom(4, QStringLiteral("operator"), kOperatorPassword)), -32001);
    EXPECT_TRUE(logd.errorOutput().contains(QStringLiteral("user \"Operator\" locked out")));

    // Eight refusals from one address, over any names, lock the address out (three per connection at most).
    std::unique_ptr<LogdClient> probe;
    for (int i = 0; i < 8; ++i) {
        if (i % 3 == 0) {
            probe = std::make_unique<LogdClient>(logd.port(), host(5));
            probe->hello(QStringLiteral("p"));
        }
        EXPECT_EQ(LogdClient::errorCode(logon(*probe, QStringLiteral("u%1").arg(i), QStringLiteral("wrong-pw"))), -32001);
    }
    EXPECT_EQ(LogdClient::errorCode(logonFrom(5, QStringLiteral("guest"), QStringLiteral("guest-pw"))), -32001);
    const QString token = tokenOf(logonFrom(6, QStringLiteral("guest"), QStringLiteral("guest-pw")));
    ASSERT_FALSE(token.isEmpty()) << "another address is not locked out";
    EXPECT_TRUE(logd.errorOutput().contains(QStringLiteral("address 127.0.0.5 locked out")));

    // The user leaves the project while the service runs: the token goes, and stays gone when the user comes back.
    const QString usersPath = logd.projectDir() + QStringLiteral("/users.txt");
    QFile users(usersPath);
    ASSERT_TRUE(users.open(QIODevice::ReadOnly));
    const QByteArray withGuest = users.readAll();
    users.close();
    QByteArray withoutGuest;
    for (const QByteArray& line : withGuest.split('\n'))
        if (!line.isEmpty() && !line.startsWith("guest:"))
            withoutGuest += line + '\n';
    auto rewrite = [&](const QByteArray& contents, int reloads) {
        QFile f(usersPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contents) != contents.size())
            return false;
        f.close();
        return WaitForEvents([&] { return logd.errorOutput().count(QStringLiteral("users.txt read again")) == reloads; });
    };
    auto helloWithToken = [&] {
        LogdClient c(logd.port(), host(6));
        return c.hello(QStringLiteral("g"), token);
    };
    EXPECT_TRUE(helloWithToken().value(QStringLiteral("access")).toBool());
    ASSERT_TRUE(rewrite(withoutGuest, 1));
    EXPECT_TRUE(logd.errorOutput().contains(QStringLiteral("1 tokens of removed users dropped")));
    EXPECT_TRUE(helloWithToken().value(QStringLiteral("logonRequired")).toBool());
    ASSERT_TRUE(rewrite(withGuest, 2));
    EXPECT_TRUE(helloWithToken().value(QStringLiteral("logonRequired")).toBool()) << "the token was dropped";

    const QString log = logd.errorOutput();
    for (const QString& secret : {QStringLiteral("wrong-pw"), QStringLiteral("guest-pw"), kOperatorPassword, token})
        EXPECT_FALSE(log.contains(secret)) << secret.toStdString();
}

TEST(LogdLimits, ConnectionLimitsCloseOnlyTheOffendingConnection) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--max-per-address"),
                            QStringLiteral("3"), QStringLiteral("--max-in-flight"), QStringLiteral("4"),
                            QStringLiteral("--idle-timeout"), QStringLiteral("1500"), QStringLiteral("--max-request"),
                            QStringLiteral("2048")}));
    const QByteArray stampGet = LogdClient::requestLine(9, QStringLiteral("stamp.get"), {});
    // Three connections from one address; a fourth is refused, one from another address is not.
    std::vector<std::unique_ptr<LogdClient>> own;
    for (int i = 0; i < 3; ++i) {
        own.push_back(std::make_unique<LogdClient>(logd.port(), host(1)));
        ASSERT_TRUE(own.back()->hello(QStringLiteral("o%1").arg(i)).value(QStringLiteral("access")).toBool());
    }
    LogdClient fourth(logd.port(), host(1));
    EXPECT_TRUE(fourth.waitClosed());
    LogdClient other(logd.port(), host(2));
    EXPECT_TRUE(other.hello(QStringLiteral("x")).value(QStringLiteral("access")).toBool());

    // A request over the size limit closes its connection, and frees its slot.
    own[0]->sendRaw(QByteArray(3000, 'x'));
    EXPECT_TRUE(own[0]->waitClosed());
    LogdClient again(logd.port(), host(1));
    EXPECT_TRUE(again.hello(QStringLiteral("a")).value(QStringLiteral("access")).toBool());

    // Four requests sent ahead of their answers are answered; five are too many.
    own[1]->sendRaw(stampGet.repeated(4));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(own[1]->readLine().isEmpty()) << "answer " << i;
    own[1]->sendRaw(stampGet.repeated(5));
    EXPECT_TRUE(own[1]->waitClosed());
    EXPECT_EQ(own[2]->value(QStringLiteral("stamp.get")).toInt(-1), 0) << "the others go on";

    // The idle time counts from the last request, not from the connection's start: one connection keeps
    // asking until a second one, opened after it and silent, is closed for idling; by then the first is
    // older than the idle time, and it still lasts the idle time after its last request.
    LogdClient idle(logd.port(), host(3));
    idle.hello(QStringLiteral("i"));
    LogdClient silent(logd.port(), host(4));
    silent.hello(QStringLiteral("s"));
    QElapsedTimer sinceRequest; // started before the service can have seen the request
    const QDeadlineTimer deadline(20000);
    while (!silent.waitClosed(1) && !deadline.hasExpired()) {
        sinceRequest.start();
        ASSERT_EQ(idle.value(QStringLiteral("stamp.get")).toInt(-1), 0);
    }
    ASSERT_FALSE(deadline.hasExpired());
    EXPECT_TRUE(idle.waitClosed(20000));
    EXPECT_GE(sinceRequest.elapsed(), 1500 * 95 / 100); // a coarse timer may end up to 5 % early

    const QString log = logd.errorOutput();
    for (const char* line : {"connection refused, 3 connections from that address", "request longer than 2048 bytes",
                             "more than 4 requests sent ahead of their answers", "no request for 1.5 s"})
        EXPECT_TRUE(log.contains(QLatin1String(line))) << line;
}

} // namespace
