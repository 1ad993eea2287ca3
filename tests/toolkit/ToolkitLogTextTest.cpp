// log.read: capacity, acknowledgement of the last handed-out text across links, and answers that
// cannot be handed out.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"

#include <gtest/gtest.h>

#include <QJsonDocument>

#include <mutex>

namespace {

// Records every log.read's parameters; answers from a script of (text, seq, cut) steps, where `cut`
// sends only half of the answer line and then closes the connection.
struct ReadScript {
    struct Step {
        QString text;
        int seq;
        bool cut;
    };
    std::mutex mutex;
    std::vector<Step> steps;
    size_t next = 0;
    std::vector<QJsonObject> seen;

    FakeServer::Handler handler() {
        return [this](FakeConnection& c) {
            c.acceptHello(c.readRequest());
            for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();) {
                // Past the script: nothing new, under the acknowledged seq.
                Step step{QString(), r.value("params").toObject().value("ack").toInt(), false};
                {
                    std::lock_guard<std::mutex> g(mutex);
                    seen.push_back(r.value("params").toObject());
                    if (next < steps.size())
                        step = steps[next++];
                }
                if (!step.cut) {
                    c.sendResult(r, {{"text", step.text}, {"seq", step.seq}});
                    continue;
                }
                QJsonObject answer{{"jsonrpc", "2.0"}, {"id", r.value("id")},
                                   {"result", QJsonObject{{"text", step.text}, {"seq", step.seq}}}};
                const std::string line = QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString();
                c.sendRaw(line.substr(0, line.size() / 2));
                c.close();
                return;
            }
        };
    }
    QJsonObject seenAt(size_t i) {
        std::lock_guard<std::mutex> g(mutex);
        return i < seen.size() ? seen[i] : QJsonObject();
    }
};

MiraboLink openActive(int port) {
    MiraboLink link = nullptr;
    EXPECT_EQ(openLocal(port, &link), MIRABO_OK);
    LinkSetTimeout(link, 3000);
    LinkActivate(link);
    return link;
}

} // namespace

TEST(ToolkitLogText, AckFollowsHandedOutTextAndSurvivesALostAnswer) {
    ToolkitScope scope;
    ReadScript script;
    script.steps = {
        {"one\r\n", 1, false},  // handed out
        {"two\r\n", 2, true},   // lost on the way: the connection dies mid-answer
        {"two\r\n", 2, false},  // the service sends it again on the next link
        {"", 2, false},         // nothing new
        {"three\r\n", 3, false},
    };
    FakeServer server(script.handler());
    MiraboLink link = openActive(server.port());
    QString text;
    ASSERT_EQ(LogTextRead(&text, 16000), MIRABO_OK);
    EXPECT_EQ(text, "one\r\n");
    EXPECT_NE(LogTextRead(&text, 16000), MIRABO_OK);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_NE(LinkIsLost(link), 0);
    LinkClose(link);

    link = openActive(server.port());
    ASSERT_EQ(LogTextRead(&text, 16000), MIRABO_OK);
    EXPECT_EQ(text, "two\r\n");
    ASSERT_EQ(LogTextRead(&text, 16000), MIRABO_OK);
    EXPECT_EQ(text, "");
    ASSERT_EQ(LogTextRead(&text, 16000), MIRABO_OK);
    EXPECT_EQ(text, "three\r\n");
    LinkClose(link);

    // The acknowledgement is the seq of the last text the caller received, on whichever link.
    const int acks[] = {0, 1, 1, 2, 2};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(script.seenAt(i).value("ack").toInt(-1), acks[i]) << "read " << i;
        EXPECT_EQ(script.seenAt(i).value("max").toInt(), 16000);
    }
}

TEST(ToolkitLogText, AnswersThatDoNotFitAreNotHandedOutNorAcknowledged) {
    ToolkitScope scope;
    const QString pair = QString::fromUcs4(U"\U0001F600");
    ReadScript script;
    script.steps = {
        {"abcdef", 10, false},                  // longer than max 4
        {QString("ab") + pair.at(0), 11, false}, // ends in half a surrogate pair
        {"ab" + pair, 12, false},               // 4 code units, a whole pair: fine
    };
    FakeServer server(script.handler());
    QString text;
    MiraboLink link = openActive(server.port());
    EXPECT_NE(LogTextRead(&text, 4), MIRABO_OK);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_NE(LinkIsLost(link), 0);
    LinkClose(link);
    link = openActive(server.port());
    EXPECT_NE(LogTextRead(&text, 4), MIRABO_OK);
    EXPECT_TRUE(text.isEmpty());
    LinkClose(link);
    link = openActive(server.port());
    ASSERT_EQ(LogTextRead(&text, 4), MIRABO_OK);
    EXPECT_EQ(text, "ab" + pair);
    LinkClose(link);
    const int64_t firstAck = script.seenAt(0).value("ack").toInteger(-1);
    EXPECT_EQ(script.seenAt(1).value("ack").toInteger(-1), firstAck) << "rejected text is not acknowledged";
    EXPECT_EQ(script.seenAt(2).value("ack").toInteger(-1), firstAck);
}

TEST(ToolkitLogText, CapacityBecomesMaxWithinTheProtocolRange) {
    ToolkitScope scope;
    ReadScript script;
    FakeServer server(script.handler());
    MiraboLink link = openActive(server.port());
    QString text = "old";
    EXPECT_NE(LogTextRead(&text, 0), MIRABO_OK) << "no room, no request";
    EXPECT_TRUE(text.isEmpty());
    ASSERT_EQ(LogTextRead(&text, 4096), MIRABO_OK);
    ASSERT_EQ(LogTextRead(&text, 5 * 1048576), MIRABO_OK);
    EXPECT_EQ(script.seenAt(0).value("max").toInt(), 4096);
    EXPECT_EQ(script.seenAt(1).value("max").toInt(), 1048576);
    EXPECT_EQ(LogTextDiscard(), MIRABO_OK);
    LinkClose(link);
}
