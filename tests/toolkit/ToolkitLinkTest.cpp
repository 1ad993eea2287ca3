// Links against scripted fake services: opening, hello, result codes, the active-link rule, loss
// detection, sharing a link between threads and the proxy tunnel (time limits and interruption:
// ToolkitWaitTest.cpp).
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"
#include "toolkit/TkResolve.h"

#include <netinet/in.h>

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

TEST(ToolkitLink, HelloCarriesIdentityAndLinkOpensAndCloses) {
    ToolkitScope scope;
    std::mutex m;
    QJsonObject seen;
    FakeServer server([&](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        {
            std::lock_guard<std::mutex> g(m);
            seen = hello;
        }
        c.acceptHello(hello);
        c.waitPeerClosed(5000);
    });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
    EXPECT_NE(LinkIsLost(link), 0); // a closed handle is no link any more

    std::lock_guard<std::mutex> g(m);
    EXPECT_EQ(seen.value("jsonrpc").toString(), "2.0");
    EXPECT_EQ(seen.value("method").toString(), "hello");
    const QJsonObject p = seen.value("params").toObject();
    EXPECT_EQ(p.value("protocol").toInt(), 1);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{32}$").match(p.value("client").toString()).hasMatch());
    EXPECT_FALSE(p.value("program").toString().isEmpty());
    EXPECT_EQ(p.value("wtg").toString(), "wtg-x");
    EXPECT_EQ(p.value("polling").toInt(), 10);
    EXPECT_TRUE(p.value("token").isString());
}

TEST(ToolkitLink, ClientIdIsTheSameOnEveryLink) {
    ToolkitScope scope;
    std::mutex m;
    QStringList ids;
    FakeServer server([&](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        {
            std::lock_guard<std::mutex> g(m);
            ids << hello.value("params").toObject().value("client").toString();
        }
        c.acceptHello(hello);
        c.waitPeerClosed(5000);
    });
    MiraboLink a = nullptr, b = nullptr;
    ASSERT_EQ(openLocal(server.port(), &a), MIRABO_OK);
    ASSERT_EQ(openLocal(server.port(), &b), MIRABO_OK);
    LinkClose(a);
    LinkClose(b);
    std::lock_guard<std::mutex> g(m);
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[0], ids[1]);
}

TEST(ToolkitLink, OpenResultCodes) {
    ToolkitScope scope;
    MiraboLink link = reinterpret_cast<MiraboLink>(1);
    FakeServer refusing(serveSilently, false); // bound, never listening: the port refuses connections
    EXPECT_EQ(openLocal(refusing.port(), &link), MIRABO_E_ACCESSDENIED);
    EXPECT_EQ(link, nullptr);

    FakeServer noAccess([](FakeConnection& c) {
        const QJsonObject hello = c.readRequest();
        c.sendResult(hello, {{"protocol", 1}, {"station", "S"}, {"logonRequired", false}, {"access", false}});
        c.waitPeerClosed(5000);
    });
    EXPECT_EQ(openLocal(noAccess.port(), &link), MIRABO_E_ABORT);

    FakeServer oldVersion([](FakeConnection& c) { c.sendError(c.readRequest(), -32003); });
    EXPECT_EQ(openLocal(oldVersion.port(), &link), MIRABO_E_FAIL);

    FakeServer otherVersion([](FakeConnection& c) {
        c.sendResult(c.readRequest(), {{"protocol", 2}, {"station", "S"}, {"logonRequired", false}, {"access", true}});
    });
    EXPECT_EQ(openLocal(otherVersion.port(), &link), MIRABO_E_FAIL);

    FakeServer hangsUp([](FakeConnection& c) {
        c.readRequest();
        c.close();
    });
    EXPECT_EQ(openLocal(hangsUp.port(), &link), MIRABO_E_FAIL);
    EXPECT_EQ(link, nullptr);
}

TEST(ToolkitLink, OperationsWithoutLinkFailAtOnce) {
    ToolkitScope scope;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SwitchGet(3), 0);
    EXPECT_NE(SwitchSet(3, 1), MIRABO_OK);
    QString text = "junk";
    EXPECT_NE(LogTextRead(&text, 100), MIRABO_OK);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(ConfigGetInt("Font", "CharSet", -5), -5);
    EXPECT_EQ(ConfigGetString("Font", "FontName", "Mono", 260), "Mono");
    EXPECT_EQ(OpcLogParamGet(12, 4), 0);
    EXPECT_LT(msSince(start), 5000) << "nothing waits for a link time-out";
}

TEST(ToolkitLink, ActiveLinkIsTheMostRecentlyActivatedOpenOne) {
    ToolkitScope scope;
    // Connection n answers switch.get with 10 * (n + 1): the value tells which link carried the request.
    FakeServer server([](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();)
            c.sendResult(r, {{"value", 10 * (c.index() + 1)}});
    });
    MiraboLink a = nullptr, b = nullptr, c = nullptr;
    ASSERT_EQ(openLocal(server.port(), &a), MIRABO_OK);
    ASSERT_EQ(openLocal(server.port(), &b), MIRABO_OK);
    ASSERT_EQ(openLocal(server.port(), &c), MIRABO_OK);
    EXPECT_EQ(SwitchGet(0), 0) << "an opened link is not active before LinkActivate";
    LinkActivate(a);
    EXPECT_EQ(SwitchGet(0), 10);
    LinkActivate(b);
    LinkActivate(c);
    EXPECT_EQ(SwitchGet(0), 30);
    LinkActivate(a); // activating again makes it the most recent
    EXPECT_EQ(SwitchGet(0), 10);
    LinkClose(a);
    EXPECT_EQ(SwitchGet(0), 30);
    LinkClose(c);
    EXPECT_EQ(SwitchGet(0), 20);
    LinkClose(b);
    EXPECT_EQ(SwitchGet(0), 0);
}

TEST(ToolkitLink, IsLostNoticesIdlePeerCloseAndUnaskedBytes) {
    ToolkitScope scope;
    std::atomic<bool> go{false};
    auto afterGo = [&](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        while (!go && !c.stopping())
            c.idle(10);
    };
    FakeServer closes([&](FakeConnection& c) {
        afterGo(c);
        c.close();
    });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(closes.port(), &link), MIRABO_OK);
    EXPECT_EQ(LinkIsLost(link), 0);
    go = true;
    EXPECT_TRUE(WaitFor([&] { return LinkIsLost(link) != 0; }));
    LinkClose(link);

    go = false;
    FakeServer chatters([&](FakeConnection& c) {
        afterGo(c);
        c.sendRaw("x");
        c.idle(60000);
    });
    ASSERT_EQ(openLocal(chatters.port(), &link), MIRABO_OK);
    EXPECT_EQ(LinkIsLost(link), 0);
    go = true;
    EXPECT_TRUE(WaitFor([&] { return LinkIsLost(link) != 0; }));
    EXPECT_NE(LinkIsLost(link), 0) << "a lost link never comes back";
    LinkClose(link);
}

TEST(ToolkitLink, ErrorAnswerFailsTheOperationButKeepsTheLink) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();) {
            if (r.value("method") == "switch.set")
                c.sendError(r, -32602);
            else
                c.sendResult(r, standardResult(r));
        }
    });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    EXPECT_NE(SwitchSet(2, 70000), MIRABO_OK);
    EXPECT_EQ(LinkIsLost(link), 0);
    EXPECT_EQ(SwitchGet(2), 102);
    LinkClose(link);
}

TEST(ToolkitLink, TwoThreadsShareOneLinkWithoutMixingAnswers) {
    FakeServer server(serveStandard);
    ToolkitScope scope;
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    std::atomic<int> wrong{0};
    auto hammer = [&](int index) {
        ToolkitInit();
        for (int i = 0; i < 300; ++i) {
            if (SwitchGet(index) != 100 + index)
                ++wrong;
            if (OpcLogParamGet(11 + index, index) != 1000 * (11 + index) + index)
                ++wrong;
        }
        ToolkitExit();
    };
    std::thread t1(hammer, 1), t2(hammer, 2);
    t1.join();
    t2.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(LinkIsLost(link), 0);
    LinkClose(link);
}

namespace {

// Relays bytes both ways between two sockets until either side closes or the server stops.
void relay(int a, int b, FakeConnection& owner) {
    char buf[65536];
    for (;;) {
        pollfd p[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
        const int n = ::poll(p, 2, 20);
        if (n < 0)
            return;
        if (owner.stopping())
            return;
        if (n == 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t r = ::recv(p[i].fd, buf, sizeof(buf), 0);
            if (r <= 0)
                return;
            ::send(p[1 - i].fd, buf, static_cast<size_t>(r), MSG_NOSIGNAL);
        }
    }
}

} // namespace

TEST(ToolkitLink, ProxyRefusalAndTunnel) {
    ToolkitScope scope;
    FakeServer service(serveStandard);
    std::mutex m;
    std::vector<std::string> proxyRequest;
    FakeServer refusing([&](FakeConnection& c) {
        std::string line;
        while (c.readLine(&line) && line != "\r") {
        }
        c.sendRaw("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
        c.waitPeerClosed(5000);
    });
    MiraboLink link = nullptr;
    EXPECT_EQ(LinkOpen("127.0.0.1", service.port(), "127.0.0.1", refusing.port(), "", 10, &link),
              MIRABO_E_ACCESSDENIED);

    FakeServer tunnelling([&](FakeConnection& c) {
        std::string line;
        while (c.readLine(&line) && line != "\r") {
            std::lock_guard<std::mutex> g(m);
            proxyRequest.push_back(line);
        }
        const int up = connectLoopback(service.port());
        c.sendRaw("HTTP/1.1 200 Connection established\r\nProxy-Agent: fake\r\n\r\n");
        relay(c.fd(), up, c);
        ::close(up);
    });
    ASSERT_EQ(LinkOpen("127.0.0.1", service.port(), "127.0.0.1", tunnelling.port(), "", 10, &link), MIRABO_OK);
    LinkActivate(link);
    EXPECT_EQ(SwitchGet(5), 105);
    LinkClose(link);
    std::lock_guard<std::mutex> g(m);
    ASSERT_GE(proxyRequest.size(), 2u);
    const std::string target = "127.0.0.1:" + std::to_string(service.port());
    EXPECT_EQ(proxyRequest[0], "CONNECT " + target + " HTTP/1.1\r");
    EXPECT_EQ(proxyRequest[1], "Host: " + target + "\r");
}

TEST(ToolkitLink, ProxyPortZeroMeansDirect) {
    ToolkitScope scope;
    FakeServer service(serveStandard);
    MiraboLink link = nullptr;
    ASSERT_EQ(LinkOpen("127.0.0.1", service.port(), "127.0.0.1", 0, "", 10, &link), MIRABO_OK);
    LinkClose(link);
}

TEST(ToolkitLink, HostNameIsResolved) {
    ToolkitScope scope;
    FakeServer service(serveStandard); // listens on 127.0.0.1 only; "localhost" may name ::1 first
    for (const char* host : {"localhost", "LOCALHOST."}) {
        MiraboLink link = nullptr;
        ASSERT_EQ(LinkOpen(host, service.port(), "", 0, "", 10, &link), MIRABO_OK) << host;
        LinkClose(link);
    }
}

// "localhost" and the names under it are the loopback even where no name service knows them (a system
// without /etc/hosts); every other name still goes to the name service.
TEST(ToolkitResolve, LocalhostNamesAreLoopbackWithoutALookup) {
    using mirabo::Io;
    using mirabo::SocketAddress;
    std::atomic<int> lookups{0};
    const mirabo::NameLookup knowsNothing = [&lookups](const std::string&, int) {
        ++lookups;
        return std::vector<SocketAddress>();
    };
    for (const char* host : {"localhost", "LOCALHOST", "LocalHost.", "station.localhost", "a.B.LOCALHOST."}) {
        std::vector<SocketAddress> out;
        ASSERT_EQ(mirabo::resolveHostWith(knowsNothing, host, 4321, mirabo::deadlineIn(10000), nullptr, &out), Io::Ok)
            << host;
        ASSERT_EQ(out.size(), 2u) << host;
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&out[0].storage);
        EXPECT_EQ(v4->sin_family, AF_INET);
        EXPECT_EQ(ntohl(v4->sin_addr.s_addr), INADDR_LOOPBACK);
        EXPECT_EQ(ntohs(v4->sin_port), 4321);
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&out[1].storage);
        EXPECT_EQ(v6->sin6_family, AF_INET6);
        EXPECT_TRUE(IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr));
        EXPECT_EQ(ntohs(v6->sin6_port), 4321);
    }
    EXPECT_EQ(lookups, 0);

    const char* others[] = {"localhost.example", "mylocalhost", ".localhost", "a..localhost", "localhost.."};
    for (const char* host : others) {
        std::vector<SocketAddress> out;
        EXPECT_EQ(mirabo::resolveHostWith(knowsNothing, host, 4321, mirabo::deadlineIn(10000), nullptr, &out),
                  Io::Unresolved)
            << host;
    }
    EXPECT_EQ(lookups, int(std::size(others)));
}

TEST(ToolkitLink, WritingToAPeerThatHasGoneFailsWithoutSignal) {
    ToolkitScope scope;
    std::atomic<bool> closed{false};
    FakeServer server([&](FakeConnection& c) {
        c.acceptHello(c.readRequest());
        c.close();
        closed = true;
    });
    MiraboLink link = nullptr;
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    ASSERT_TRUE(WaitFor([&] { return closed.load(); }));
    // Large enough to take several sends: a send after the reset raises SIGPIPE unless suppressed.
    EXPECT_NE(ProfileSetString("Kestra", "Big", QString(3 * 1024 * 1024, 'x')), MIRABO_OK);
    EXPECT_NE(ProfileSetString("Kestra", "Big", "again"), MIRABO_OK);
    EXPECT_NE(LinkIsLost(link), 0);
    LinkClose(link);
}
