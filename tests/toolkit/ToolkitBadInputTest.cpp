// Whatever arrives from the network, the toolkit loses the link instead of crashing or growing, and a
// sane service is reached again afterwards.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"
#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>

#include <mutex>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// Answers hello, then answers the first request with `answer` (given the request's id).
FakeServer::Handler answerWith(std::function<std::string(int id)> answer, bool thenClose = false) {
    return [answer, thenClose](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        const QJsonObject r = c.readRequest();
        if (r.isEmpty())
            return;
        c.sendRaw(answer(r.value("id").toInt()));
        if (thenClose)
            c.close();
        else
            c.idle(60000);
    };
}

std::string envelope(int id, const std::string& result) {
    return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) + ",\"result\":" + result + "}\n";
}

// The link time-out of these cases: long, so that an answer refused before it is clearly refused at once.
constexpr int kTimeoutMs = 20000;

// Opens a link to `server`, runs SwitchGet(1) with the given time-out, and reports whether the link was
// found lost afterwards. `value` receives SwitchGet's result.
bool switchGetLosesLink(FakeServer& server, int32_t* value, int64_t* took = nullptr, int timeoutMs = kTimeoutMs) {
    MiraboLink link = nullptr;
    if (openLocal(server.port(), &link) != MIRABO_OK)
        return false;
    LinkSetTimeout(link, timeoutMs);
    LinkActivate(link);
    const auto start = std::chrono::steady_clock::now();
    *value = SwitchGet(1);
    if (took)
        *took = msSince(start);
    const bool lost = LinkIsLost(link) != 0;
    LinkClose(link);
    return lost;
}

// The process's resident memory in KiB.
int64_t residentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

} // namespace

TEST(ToolkitBadInput, MalformedAnswersLoseTheLink) {
    ToolkitScope scope;
    const std::vector<std::pair<const char*, std::function<std::string(int)>>> cases = {
        {"not JSON", [](int) { return std::string("{\"jsonrpc\":\"2.0\",\"id\":\n"); }},
        {"JSON but no object", [](int) { return std::string("[1,2,3]\n"); }},
        {"invalid UTF-8", [](int id) { return envelope(id, "{\"value\":1,\"x\":\"\xC3\x28\"}"); }},
        {"overlong UTF-8", [](int id) { return envelope(id, "{\"value\":1,\"x\":\"\xC0\xAF\"}"); }},
        {"encoded surrogate", [](int id) { return envelope(id, "{\"value\":1,\"x\":\"\xED\xA0\x80\"}"); }},
        {"wrong id", [](int id) { return envelope(id + 1, "{\"value\":1}"); }},
        {"missing id", [](int) { return std::string("{\"jsonrpc\":\"2.0\",\"result\":{\"value\":1}}\n"); }},
        {"result not an object", [](int id) { return envelope(id, "5"); }},
        {"value of the wrong type", [](int id) { return envelope(id, "{\"value\":\"1\"}"); }},
        {"value not an integer", [](int id) { return envelope(id, "{\"value\":1.5}"); }},
        {"value out of range", [](int id) { return envelope(id, "{\"value\":4294967296}"); }},
        {"result and error at once",
         [](int id) {
             return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) +
                    ",\"result\":{\"value\":1},\"error\":{\"code\":-32600}}\n";
         }},
        {"error without code", [](int id) { return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) + ",\"error\":{}}\n"; }},
        {"deeply nested",
         [](int id) { return envelope(id, "{\"value\":1,\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}"); }},
        {"answer followed by an unasked line", [](int id) { return envelope(id, "{\"value\":1}") + envelope(id, "{}"); }},
    };
    for (const auto& [name, answer] : cases) {
        FakeServer server(answerWith(answer));
        int32_t value = -1;
        EXPECT_TRUE(switchGetLosesLink(server, &value)) << name;
        if (std::string(name) != "answer followed by an unasked line") {
            EXPECT_EQ(value, 0) << name;
        }
    }
    // A sane service afterwards: the next link works.
    FakeServer sane(serveStandard);
    int32_t value = -1;
    EXPECT_FALSE(switchGetLosesLink(sane, &value));
    EXPECT_EQ(value, 101);
}

// Every stored input of the decoder's fuzz target (seeds and any crash a fuzzer run found).
TEST(ToolkitBadInput, StoredFuzzInputsAreDecodedSafely) {
    const auto inputs = FuzzInputs(QStringLiteral("toolkit_answer"), QStringLiteral(KESTRA_SOURCE_DIR));
    EXPECT_FALSE(inputs.empty());
    for (const QByteArray& input : inputs)
        EXPECT_EQ(FuzzReplay(FuzzToolkitAnswer, input), 0);
}

// Every stored input of the handshake's fuzz target: answers to the TLS question and station handshakes,
// real and broken.
TEST(ToolkitBadInput, StoredHandshakeInputsTrustNothingAndSendNothingElse) {
    ToolkitScope scope;
    const auto inputs = FuzzInputs(QStringLiteral("tls_handshake"), QStringLiteral(KESTRA_SOURCE_DIR));
    EXPECT_GE(inputs.size(), 4u);
    for (const QByteArray& input : inputs)
        EXPECT_EQ(FuzzReplay(FuzzTlsHandshake, input), 0);
}

TEST(ToolkitBadInput, CorrectAnswerInOneByteWritesIsAccepted) {
    ToolkitScope scope;
    FakeServer dribbling([](FakeConnection& c) {
        const int one = 1;
        ::setsockopt(c.fd(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one); // every byte its own segment
        const QJsonObject hello = c.readRequest();
        const std::string answer =
            R"({"jsonrpc":"2.0","id":)" + std::to_string(hello.value("id").toInt()) +
            R"(,"result":{"protocol":1,"station":"S","logonRequired":false,"access":true}})" + "\n";
        for (char byte : answer)
            c.sendRaw(std::string(1, byte));
        const QJsonObject r = c.readRequest();
        for (char byte : envelope(r.value("id").toInt(), "{\"value\":42}"))
            c.sendRaw(std::string(1, byte));
        c.idle(60000);
    });
    int32_t value = -1;
    EXPECT_FALSE(switchGetLosesLink(dribbling, &value));
    EXPECT_EQ(value, 42);
}

// Within one epoch a seq never goes back, and text under the acknowledged seq was handed out already.
TEST(ToolkitBadInput, SeqOutOfStepIsNotHandedOutNorAcknowledged) {
    ToolkitScope scope;
    std::mutex mutex;
    std::vector<QJsonObject> reads;
    const std::vector<std::pair<QString, int>> answers = {{"a\r\n", 5}, {"b\r\n", 3}, {"a\r\n", 5}, {"", 5}};
    FakeServer server([&](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        c.sendResult(hello, {{"protocol", 1}, {"station", "S"}, {"logonRequired", false}, {"access", true},
                             {"epoch", "e-seq"}});
        for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();) {
            std::unique_lock<std::mutex> g(mutex);
            const auto [text, seq] = answers[std::min(reads.size(), answers.size() - 1)];
            reads.push_back(r.value("params").toObject());
            g.unlock();
            c.sendResult(r, {{"text", text}, {"seq", seq}});
        }
    });
    QString text;
    for (const bool handedOut : {true, false, false, true}) {
        MiraboLink link = nullptr;
        ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
        LinkActivate(link);
        EXPECT_EQ(LogTextRead(&text, 100) == MIRABO_OK, handedOut);
        EXPECT_EQ(LinkIsLost(link) != 0, !handedOut);
        if (!handedOut) {
            EXPECT_TRUE(text.isEmpty());
        }
        LinkClose(link);
    }
    std::lock_guard<std::mutex> g(mutex);
    ASSERT_EQ(reads.size(), 4u);
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(reads[i].value("ack").toInt(), 5) << i;
        EXPECT_EQ(reads[i].value("epoch").toString(), "e-seq") << i;
    }
}

TEST(ToolkitBadInput, PeerStoppingMidLineLosesTheLinkAtOnce) {
    ToolkitScope scope;
    FakeServer server(answerWith([](int id) { return envelope(id, "{\"value\":1}").substr(0, 20); }, true));
    int32_t value = -1;
    int64_t took = 0;
    EXPECT_TRUE(switchGetLosesLink(server, &value, &took));
    EXPECT_EQ(value, 0);
    EXPECT_LT(took, kTimeoutMs / 2) << "end of stream is noticed without waiting for the time-out";
}

TEST(ToolkitBadInput, OversizedLineIsRefusedWithoutReadingItAll) {
    ToolkitScope scope;
    // 4 MiB of string content plus a little: the line is over the limit before it ends.
    std::atomic<bool> sentAll{false};
    FakeServer server([&](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        const QJsonObject r = c.readRequest();
        const std::string head = "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(r.value("id").toInt()) + ",\"result\":{\"x\":\"";
        c.sendRaw(head);
        const std::string block(1 << 20, 'a');
        for (int i = 0; i < 64 && !c.stopping(); ++i) // 64 MiB if nobody stops reading
            c.sendRaw(block);
        sentAll = true;
        c.idle(60000);
    });
    int32_t value = -1;
    int64_t took = 0;
    const int64_t before = residentKiB();
    EXPECT_TRUE(switchGetLosesLink(server, &value, &took));
    EXPECT_LT(residentKiB() - before, 32 * 1024) << "the toolkit holds at most 4 MiB of an unfinished line";
    EXPECT_EQ(value, 0);
    EXPECT_LT(took, kTimeoutMs / 2) << "refused as soon as the limit is passed, not at the time-out";
}

TEST(ToolkitBadInput, LineJustUnderTheLimitIsAccepted) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        const QJsonObject r = c.readRequest();
        std::string line = envelope(r.value("id").toInt(), "{\"value\":9,\"pad\":\"\"}");
        const size_t pad = 4u * 1024u * 1024u - (line.size() - 1);
        line.insert(line.find("\"\"}") + 1, std::string(pad, 'p'));
        c.sendRaw(line);
        c.idle(60000);
    });
    int32_t value = -1;
    EXPECT_FALSE(switchGetLosesLink(server, &value));
    EXPECT_EQ(value, 9);
}

TEST(ToolkitBadInput, NeverAnsweringServerIsBoundedByTheTimeOut) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        c.readRequest();
        c.sendRaw("{\"jsonrpc\":\"2.0\","); // starts an answer and never finishes it
        c.idle(60000);
    });
    int32_t value = -1;
    int64_t took = 0;
    EXPECT_TRUE(switchGetLosesLink(server, &value, &took, 1000));
    EXPECT_GE(took, 1000);
    EXPECT_LT(took, 6000);
}

TEST(ToolkitBadInput, MalformedHelloAnswerFailsOpen) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        c.sendResult(hello, {{"protocol", 1}, {"station", "S"}, {"access", "yes"}});
        c.idle(60000);
    });
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(server.port(), &link), MIRABO_E_FAIL);
    EXPECT_EQ(link, nullptr);
}
