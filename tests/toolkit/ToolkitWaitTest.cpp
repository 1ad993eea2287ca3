// Time limits, stop requests and closing from another thread: every wait of a link ends when it must.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"
#include "toolkit/TkLimits.h"
#include "toolkit/TkLink.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>

namespace {

// A handler that answers hello and then records that the next request has arrived, without answering.
struct SilentAfterHello {
    std::atomic<bool> requestArrived{false};
    FakeServer::Handler handler() {
        return [this](FakeConnection& c) {
            c.acceptHello(c.readRequest());
            if (!c.readRequest(60000).isEmpty())
                requestArrived = true;
            c.idle(60000);
        };
    }
};

// Milliseconds from `from` until now, taken by the thread that saw the end of a wait.
int64_t msAfter(const std::atomic<int64_t>& fromNs) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return (std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - fromNs.load()) / 1000000;
}

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A stop request or a close from another thread ends a wait that would otherwise run into its limit (the
// open limit, the link's time-out: a minute or more). A wait that ended within a quarter of that limit
// was ended by the request, not by the limit, and a quarter leaves any loaded or sanitized machine ample
// room.
int64_t wellBefore(int64_t limitMs) { return limitMs / 4; }

// Runs `call` on a thread with a cancel word of its own, sets the word once `waiting` holds, and returns
// the milliseconds from then until the call ended (-1 when `waiting` never held).
int64_t msToCancel(const std::function<void()>& call, const std::function<bool()>& waiting) {
    std::atomic<int32_t> stop{0};
    std::atomic<int64_t> stoppedAt{0}, endedAfterStop{-1};
    std::thread worker([&] {
        ToolkitInit();
        ToolkitSetCancelWord(&stop);
        call();
        endedAfterStop = msAfter(stoppedAt);
        ToolkitExit();
    });
    const bool reached = WaitFor(waiting);
    stoppedAt = nowNs();
    stop = 1;
    worker.join();
    return reached ? endedAfterStop.load() : -1;
}

} // namespace

TEST(ToolkitWait, RequestTimeOutEndsTheRequestAndLosesTheLink) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        c.idle(60000);
    });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkSetTimeout(link, 300);
    LinkActivate(link);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SwitchSet(1, 1), MIRABO_E_TIMEOUT);
    const int64_t took = msSince(start);
    EXPECT_GE(took, 300);
    EXPECT_LT(took, wellBefore(mirabo::kDefaultTimeoutMs)) << "the link's own time-out, not the default one";
    EXPECT_NE(LinkIsLost(link), 0);
    EXPECT_EQ(SwitchGet(1), 0);
    LinkClose(link);
}

// A station that accepts and never answers: the logon check gives up after its own (shorter) limit and
// reports that no logon is needed; LinkOpen reports the time-out after its limit. The limits are
// shortened for the test, keeping their order.
TEST(ToolkitWait, SilentStationEndsLogonCheckAndOpenAtTheirOwnLimits) {
    EXPECT_EQ(MIRABO_OPEN_TIMEOUT_MS, 65000);
    EXPECT_EQ(MIRABO_LOGON_CHECK_TIMEOUT_MS, 10000);
    ToolkitScope scope;
    FakeServer silent(serveSilently);
    constexpr int kOpenMs = 3000, kCheckMs = 200;
    mirabo::setOpenLimitsForTest(kOpenMs, kCheckMs);
    int32_t reserved = 7;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LinkLogonRequired("127.0.0.1", silent.port(), "", 0, "", 10, &reserved), 0);
    int64_t took = msSince(start);
    EXPECT_GE(took, kCheckMs);
    EXPECT_LT(took, kOpenMs) << "the logon check has a limit of its own";
    MiraboLink link = reinterpret_cast<MiraboLink>(1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(openLocal(silent.port(), &link), MIRABO_E_TIMEOUT);
    took = msSince(start);
    mirabo::setOpenLimitsForTest(0, 0);
    EXPECT_EQ(link, nullptr);
    EXPECT_GE(took, kOpenMs);
    EXPECT_LT(took, kOpenMs + 5000);
    EXPECT_TRUE(WaitFor([&] { return silent.accepted() == 2; }));
}

// A station that says it speaks TLS and then never completes the handshake: the check and the open end at
// their limits, and a stop request ends the handshake's wait at once.
TEST(ToolkitWait, HandshakeThatNeverEndsKeepsToTheLimitsAndTheStopWord) {
    std::atomic<int> waiting{0};
    FakeServer stalling([&](FakeConnection& c) {
        c.passTlsQuestion();
        std::string question;
        if (!c.readLine(&question))
            return;
        c.sendRaw("{\"jsonrpc\":\"2.0\",\"id\":0,\"result\":{\"tls\":true}}\n");
        char hello[1];
        if (::recv(c.fd(), hello, 1, MSG_PEEK) == 1) // the client's first handshake bytes
            ++waiting;
        c.idle(60000);
    });
    ToolkitScope scope;
    constexpr int kOpenMs = 1500, kCheckMs = 300;
    mirabo::setOpenLimitsForTest(kOpenMs, kCheckMs);
    const MiraboEndpoint station{"127.0.0.1", stalling.port(), "", 0, "", 10};
    auto start = std::chrono::steady_clock::now();
    MiraboStationKey key;
    EXPECT_EQ(LinkCheckStation(station, &key), MIRABO_E_TIMEOUT);
    int64_t took = msSince(start);
    EXPECT_GE(took, kCheckMs);
    EXPECT_LT(took, kOpenMs);
    MiraboLink link = nullptr;
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(LinkOpen(station, &link), MIRABO_E_TIMEOUT);
    took = msSince(start);
    EXPECT_GE(took, kOpenMs);
    EXPECT_LT(took, kOpenMs + 5000);
    mirabo::setOpenLimitsForTest(0, 0);
    const int64_t stopped = msToCancel([&] { EXPECT_NE(LinkOpen(station, &link), MIRABO_OK); },
                                       [&] { return waiting.load() == 3; });
    EXPECT_GE(stopped, 0);
    EXPECT_LT(stopped, wellBefore(mirabo::openTimeoutMs()));
    EXPECT_EQ(link, nullptr);
}

// A stop request from another thread ends every wait promptly: for the hello answer, for an answer,
// for the link's turn while another thread's request runs, and for a peer that takes no more bytes.
TEST(ToolkitWait, CancelWordEndsEveryWaitPromptly) {
    std::atomic<int> reached{-1}; // the connection whose wait has begun
    FakeServer server([&](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        if (c.index() > 0)
            c.acceptHello(hello);
        char head[1];
        if (c.index() == 0 || (c.index() == 3 && ::recv(c.fd(), head, 1, 0) == 1) ||
            (c.index() < 3 && !c.readRequest(60000).isEmpty()))
            reached = c.index();
        c.idle(60000); // answers nothing, reads nothing more
    });
    ToolkitScope scope;
    MiraboLink link = nullptr;
    const int64_t hello =
        msToCancel([&] { EXPECT_NE(openLocal(server.port(), &link), MIRABO_OK); }, [&] { return reached == 0; });

    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    const int64_t answer = msToCancel(
        [] {
            QString text;
            EXPECT_NE(LogTextRead(&text, 100), MIRABO_OK);
        },
        [&] { return reached == 1; });
    EXPECT_NE(LinkIsLost(link), 0) << "an interrupted exchange loses its link";
    LinkClose(link);

    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    std::thread first([] { EXPECT_EQ(SwitchGet(1), 0); }); // holds the link's turn until LinkClose
    EXPECT_TRUE(WaitFor([&] { return reached == 2; }));
    std::atomic<bool> secondCalled{false};
    const int64_t turn = msToCancel(
        [&] {
            secondCalled = true;
            EXPECT_EQ(SwitchGet(2), 0);
        },
        [&] { return secondCalled.load(); });
    LinkClose(link);
    first.join();

    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    const int64_t sending = msToCancel( // far more than the socket buffers take
        [] { EXPECT_NE(ProfileSetString("K", "V", QString(16 << 20, 'v')), MIRABO_OK); },
        [&] { return reached == 3; });
    LinkClose(link);
    const struct {
        const char* wait;
        int64_t ms;
        int64_t limitMs;
    } ends[] = {{"hello", hello, mirabo::openTimeoutMs()},
                {"answer", answer, mirabo::kDefaultTimeoutMs},
                {"turn", turn, mirabo::kDefaultTimeoutMs},
                {"sending", sending, mirabo::kDefaultTimeoutMs}};
    for (const auto& end : ends) {
        EXPECT_GE(end.ms, 0) << end.wait;
        EXPECT_LT(end.ms, wellBefore(end.limitMs)) << end.wait;
    }
}

TEST(ToolkitWait, CancelWordOfOneThreadLeavesOtherThreadsAlone) {
    FakeServer server(serveStandard);
    ToolkitScope scope;
    std::atomic<int32_t> stop{1}; // already set, but registered on another thread only
    std::thread other([&] {
        ToolkitInit();
        ToolkitSetCancelWord(&stop);
        ToolkitExit(); // leaving the outermost level forgets the word
        MiraboLink l = nullptr;
        EXPECT_EQ(openLocal(server.port(), &l), MIRABO_OK);
        LinkClose(l);
    });
    other.join();
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkClose(link);
}

TEST(ToolkitWait, CloseFromAnotherThreadEndsRunningRequest) {
    SilentAfterHello script;
    FakeServer server(script.handler());
    ToolkitScope scope;
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    std::atomic<int64_t> closedAt{0}, endedAfterClose{-1};
    std::thread worker([&] {
        EXPECT_EQ(SwitchGet(0), 0);
        endedAfterClose = msAfter(closedAt);
    });
    ASSERT_TRUE(WaitFor([&] { return script.requestArrived.load(); }));
    closedAt = nowNs();
    LinkClose(link);
    worker.join();
    EXPECT_LT(endedAfterClose.load(), wellBefore(mirabo::kDefaultTimeoutMs));
}

