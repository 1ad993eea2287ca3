// The service under bad input, many clients, signals and its own simulated activity.
#include "LogdClient.h"
#include "common/LogdProcess.h"
#include "common/WaitFor.h"

#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

const QStringList kQuiet = {QStringLiteral("--sim-interval"), QStringLiteral("0")};

int64_t readInto(LogdClient& c, QString* text, int64_t seq) {
    const QJsonObject r = c.read(1048576, seq);
    *text += r.value(QStringLiteral("text")).toString();
    return r.value(QStringLiteral("seq")).toInteger();
}

TEST(LogdRobustness, BadLinesCloseOnlyTheirConnection) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuiet));
    LogdClient bystander(logd.port());
    ASSERT_TRUE(bystander.hello(QStringLiteral("b")).value(QStringLiteral("access")).toBool());

    LogdClient oversized(logd.port());
    oversized.hello(QStringLiteral("o"));
    oversized.sendRaw(QByteArray(4 * 1024 * 1024 + 16, 'x'));
    EXPECT_TRUE(oversized.waitClosed(10000));

    LogdClient badUtf8(logd.port());
    badUtf8.hello(QStringLiteral("u"));
    badUtf8.sendRaw("{\"jsonrpc\":\"2.0\",\"id\":5,\"method\":\"stamp.get\",\"x\":\"\xC0\xAF\"}\n");
    EXPECT_TRUE(badUtf8.waitClosed());

    LogdClient notObject(logd.port());
    notObject.hello(QStringLiteral("n"));
    notObject.sendRaw("[1,2,3]\n");
    EXPECT_TRUE(notObject.waitClosed());

    LogdClient notJson(logd.port());
    notJson.hello(QStringLiteral("j"));
    notJson.sendRaw("{\"jsonrpc\":\n");
    const QByteArray answer = notJson.readLine();
    EXPECT_TRUE(answer.contains("-32700")) << answer.constData();
    EXPECT_TRUE(notJson.waitClosed());

    // A request that is an object but no request keeps the link.
    LogdClient invalid(logd.port());
    invalid.hello(QStringLiteral("i"));
    invalid.sendRaw("{\"id\":1}\n");
    EXPECT_TRUE(invalid.readLine().contains("-32600"));
    EXPECT_EQ(invalid.value(QStringLiteral("stamp.get")).toInt(-1), 0);

    EXPECT_EQ(bystander.value(QStringLiteral("stamp.get")).toInt(-1), 0);
    EXPECT_TRUE(logd.running());
}

TEST(LogdRobustness, ThirdRefusedLogonOfPipelinedOnesClosesTheConnection) {
    LogdProcess logd;
    ASSERT_TRUE(logd.addUser(QStringLiteral("op"), QStringLiteral("right")));
    ASSERT_TRUE(logd.start(QStringList(kQuiet) << QStringLiteral("--logon-delay") << QStringLiteral("20")));

    LogdClient flooder(logd.port());
    flooder.hello(QStringLiteral("f"));
    QByteArray flood;
    for (int i = 0; i < 10; ++i)
        flood += LogdClient::requestLine(100 + i, QStringLiteral("logon"), {{QStringLiteral("user"), QStringLiteral("op")},
                                                            {QStringLiteral("password"), QStringLiteral("wrong")}});
    flooder.sendRaw(flood);
    int refused = 0;
    for (QByteArray line; !(line = flooder.readLine()).isEmpty();)
        refused += LogdClient::errorCode(QJsonDocument::fromJson(line).object()) == -32001 ? 1 : 0;
    EXPECT_EQ(refused, 3);
    EXPECT_TRUE(flooder.waitClosed());
    EXPECT_TRUE(logd.errorOutput().contains(QStringLiteral("3 refused logons, closing")));
}

TEST(LogdRobustness, HalfClosedClientStillGetsEveryAnswer) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuiet));
    LogdClient c(logd.port());
    c.sendRaw(LogdClient::requestLine(1, QStringLiteral("hello"), {{QStringLiteral("protocol"), 1}, {QStringLiteral("client"), QStringLiteral("h")}}) +
              LogdClient::requestLine(2, QStringLiteral("switch.get"), {{QStringLiteral("index"), 3}}));
    c.halfClose();
    const QJsonObject first = QJsonDocument::fromJson(c.readLine()).object();
    const QJsonObject second = QJsonDocument::fromJson(c.readLine()).object();
    EXPECT_EQ(first.value(QStringLiteral("id")).toInt(), 1);
    EXPECT_TRUE(first.value(QStringLiteral("result")).isObject());
    EXPECT_EQ(second.value(QStringLiteral("id")).toInt(), 2);
    EXPECT_EQ(second.value(QStringLiteral("result")).toObject().value(QStringLiteral("value")).toInt(-1), 0);
    EXPECT_TRUE(c.waitClosed()) << "the service ends the connection once the answers are out";
}

TEST(LogdRobustness, FiftyClientsAtOnceEachGetTheirText) {
    LogdProcess logd;
    ASSERT_TRUE(logd.start(kQuiet));
    constexpr int kClients = 50;
    std::vector<std::unique_ptr<LogdClient>> clients;
    for (int i = 0; i < kClients; ++i) {
        // From five addresses: one address alone may hold fewer connections than this.
        clients.push_back(std::make_unique<LogdClient>(logd.port(), QStringLiteral("127.0.0.%1").arg(1 + i % 5)));
        ASSERT_TRUE(clients.back()->connected());
        ASSERT_TRUE(clients.back()->hello(QStringLiteral("client%1").arg(i)).value(QStringLiteral("access")).toBool());
        clients.back()->call(QStringLiteral("log.output"), {{QStringLiteral("enable"), true}});
        clients.back()->call(QStringLiteral("switch.set"), {{QStringLiteral("index"), i % 14}, {QStringLiteral("value"), 1}});
    }
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("to all")));
    for (int cat = 0; cat < 14; ++cat)
        ASSERT_TRUE(logd.inject(cat, QStringLiteral("category %1").arg(cat)));
    for (int i = 0; i < kClients; ++i) {
        const QString want = QStringLiteral("to all\r\ncategory %1\r\n").arg(i % 14);
        QString text;
        int64_t seq = 0;
        EXPECT_TRUE(WaitForEvents([&] {
            seq = readInto(*clients[static_cast<size_t>(i)], &text, seq);
            return text.size() >= want.size();
        }));
        EXPECT_EQ(text, want) << "client " << i;
    }
}

TEST(LogdRobustness, SigtermAndSigintEndTheServiceCleanly) {
    for (const int signo : {SIGTERM, SIGINT}) {
        QTemporaryDir dir;
        QProcess p;
        p.setProgram(QStringLiteral(KESTRA_BIN_DIR "/mirabo-logd"));
        p.setArguments({QStringLiteral("--project"), QStringLiteral(KESTRA_SOURCE_DIR "/service/demo"),
                        QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--no-stdin")});
        p.start();
        ASSERT_TRUE(p.waitForStarted());
        QByteArray err;
        ASSERT_TRUE(WaitForEvents([&] {
            p.waitForReadyRead(50);
            err += p.readAllStandardError();
            return err.contains("listening on");
        }, 10000));
        const quint16 port = static_cast<quint16>(
            QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)")).match(QString::fromUtf8(err)).captured(1).toUInt());
        LogdClient c(port);
        c.hello(QStringLiteral("x"));
        ::kill(static_cast<pid_t>(p.processId()), signo);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(c.waitClosed());
    }
}

TEST(LogdRobustness, AddedUserCanLogOnAndUserWithoutLogRightGetsNoAccess) {
    LogdProcess logd;
    ASSERT_TRUE(logd.addUser(QStringLiteral("viewer"), QStringLiteral("pa ss")));
    ASSERT_TRUE(logd.addUser(QStringLiteral("guest"), QStringLiteral("guest"), false));
    QFile users(logd.projectDir() + QStringLiteral("/users.txt"));
    ASSERT_TRUE(users.open(QIODevice::ReadOnly));
    const QByteArray stored = users.readAll();
    EXPECT_FALSE(stored.contains("pa ss"));
    EXPECT_TRUE(stored.contains("viewer:yes:pbkdf2-sha256$"));
    EXPECT_TRUE(stored.contains("guest:no:pbkdf2-sha256$"));

    ASSERT_TRUE(logd.start(QStringList(kQuiet) << QStringLiteral("--require-logon")));
    auto logon = [&](LogdClient& c, const QString& user, const QString& pw) {
        return c.call(QStringLiteral("logon"), {{QStringLiteral("user"), user}, {QStringLiteral("password"), pw}})
            .value(QStringLiteral("result")).toObject().value(QStringLiteral("token")).toString();
    };
    LogdClient v(logd.port());
    v.hello(QStringLiteral("v"));
    EXPECT_FALSE(logon(v, QStringLiteral("viewer"), QStringLiteral("pa ss")).isEmpty());
    LogdClient g(logd.port());
    g.hello(QStringLiteral("g"));
    const QString guestToken = logon(g, QStringLiteral("guest"), QStringLiteral("guest"));
    ASSERT_FALSE(guestToken.isEmpty());
    EXPECT_EQ(LogdClient::errorCode(g.call(QStringLiteral("stamp.get"))), -32002);
    LogdClient g2(logd.port());
    const QJsonObject hello = g2.hello(QStringLiteral("g"), guestToken);
    EXPECT_FALSE(hello.value(QStringLiteral("logonRequired")).toBool());
    EXPECT_FALSE(hello.value(QStringLiteral("access")).toBool());
}

TEST(LogdRobustness, FifoInjectionAndSimulatedActivityInEveryCategory) {
    QTemporaryDir fifoDir;
    const QString fifo = fifoDir.filePath(QStringLiteral("inject"));
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("40"), QStringLiteral("--inject"), fifo}));
    LogdClient c(logd.port());
    c.hello(QStringLiteral("sim"));
    c.call(QStringLiteral("log.output"), {{QStringLiteral("enable"), true}});
    for (int i = 0; i < 14; ++i)
        c.call(QStringLiteral("switch.set"), {{QStringLiteral("index"), i}, {QStringLiteral("value"), 1}});
    for (int kind = 11; kind <= 13; ++kind) {
        for (int param = 0; param < 4; ++param)
            c.call(QStringLiteral("opc.set"), {{QStringLiteral("kind"), kind}, {QStringLiteral("param"), param}, {QStringLiteral("value"), 1}});
    }
    c.call(QStringLiteral("opc.set"), {{QStringLiteral("kind"), 13}, {QStringLiteral("param"), 4}, {QStringLiteral("value"), 0}});
    c.call(QStringLiteral("tag.log"), {{QStringLiteral("name"), QStringLiteral("Line1.Counter")}, {QStringLiteral("enable"), true}});

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    QFile writer(fifo);
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
    writer.write("6\tfrom the fifo\n");
    writer.close();

    const QStringList prefixes = {QStringLiteral("Recipe: |Report: "), QStringLiteral("Field read: "),
                                  QStringLiteral("Field write: "), QStringLiteral("Trace: "), QStringLiteral("Display: "),
                                  QStringLiteral("Logon: "), QStringLiteral("DDE: "), QStringLiteral("Protocol analyzer: "),
                                  QStringLiteral("TCP/IP: "), QStringLiteral("OPC DA 2.05: "),
                                  QStringLiteral("Database: "), QStringLiteral("OPC XML/DA \\["),
                                  QStringLiteral("OPC UA \\["), QStringLiteral("OPC \\.Net \\["),
                                  QStringLiteral("Tag Line1\\.Counter = \\d+"), QStringLiteral("from the fifo")};
    QString text;
    int64_t seq = 0;
    auto missing = [&] {
        QStringList out;
        for (const QString& p : prefixes)
            if (!QRegularExpression(QStringLiteral("(^|\n)(") + p + QStringLiteral(")"), QRegularExpression::MultilineOption)
                     .match(text).hasMatch())
                out << p;
        return out;
    };
    EXPECT_TRUE(WaitForEvents([&] {
        seq = readInto(c, &text, seq);
        return missing().isEmpty();
    }, 20000)) << missing().join(QStringLiteral(", ")).toStdString();
    // Every message is one line ended by CR LF; .Net at verbosity 0 shows errors only.
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')));
        if (line.startsWith(QStringLiteral("OPC .Net"))) {
            EXPECT_TRUE(line.startsWith(QStringLiteral("OPC .Net [Error]"))) << line.toStdString();
        }
    }
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
}

} // namespace
