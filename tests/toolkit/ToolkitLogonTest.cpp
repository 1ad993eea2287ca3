// The logon check, LinkLogon, and the automatic re-logon with the accepted credentials.
// The toolkit keeps the token and credentials for the life of the process, so this flow is one case.
#include "ToolkitTestUtil.h"
#include "common/FakeServer.h"

#include <gtest/gtest.h>

#include <mutex>

namespace {

// A service that demands a logon: user "op" with password "pw" is accepted. Tokens it issued are
// remembered until forget() (as a restarted service would forget them).
struct LogonService {
    std::mutex mutex;
    QStringList tokens;
    std::vector<QJsonObject> requests; // every request, in arrival order
    int issued = 0;

    void forget() {
        std::lock_guard<std::mutex> g(mutex);
        tokens.clear();
    }
    std::vector<QJsonObject> log() {
        std::lock_guard<std::mutex> g(mutex);
        return requests;
    }
    FakeServer::Handler handler() {
        return [this](FakeConnection& c) {
            bool access = false;
            for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();) {
                const QString method = r.value("method").toString();
                const QJsonObject p = r.value("params").toObject();
                std::unique_lock<std::mutex> g(mutex);
                requests.push_back(r);
                if (method == "hello") {
                    access = tokens.contains(p.value("token").toString());
                    g.unlock();
                    c.sendResult(r, {{"protocol", 1}, {"station", "S"}, {"logonRequired", !access}, {"access", access}});
                } else if (method == "logon") {
                    if (p.value("user") == "op" && p.value("password") == "pw") {
                        const QString token = QString("tok%1").arg(++issued);
                        tokens << token;
                        access = true;
                        g.unlock();
                        c.sendResult(r, {{"token", token}});
                    } else {
                        g.unlock();
                        c.sendError(r, -32001);
                    }
                } else {
                    g.unlock();
                    if (!access)
                        c.sendError(r, -32002);
                    else
                        c.sendResult(r, standardResult(r));
                }
            }
        };
    }
};

QStringList methods(const std::vector<QJsonObject>& log, size_t from) {
    QStringList m;
    for (size_t i = from; i < log.size(); ++i)
        m << log[i].value("method").toString();
    return m;
}

} // namespace

TEST(ToolkitLogon, CheckLogonAndReLogonAfterServiceForgetsToken) {
    ToolkitScope scope;
    LogonService service;
    FakeServer server(service.handler());
    MiraboLink link = nullptr;

    EXPECT_EQ(LinkLogon("op", "pw", 1), MIRABO_E_FAIL) << "no endpoint known before the logon check";
    EXPECT_EQ(openLocal(server.port(), &link), MIRABO_E_ABORT) << "no credentials yet";

    int32_t reserved = 5;
    EXPECT_NE(LinkLogonRequired("127.0.0.1", server.port(), "", 0, "w", 10, &reserved), 0);
    EXPECT_EQ(reserved, 0);
    auto log = service.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().value("method").toString(), "hello");
    EXPECT_EQ(log.back().value("params").toObject().value("token").toString(), "");

    size_t mark = service.log().size();
    EXPECT_NE(LinkLogon("op", "wrong", 0), MIRABO_OK);
    log = service.log();
    EXPECT_EQ(methods(log, mark), QStringList({"hello", "logon"}));
    EXPECT_EQ(log.back().value("params").toObject().value("interactive").toBool(), true);
    EXPECT_EQ(openLocal(server.port(), &link), MIRABO_E_ABORT) << "refused credentials are not kept";

    EXPECT_EQ(LinkLogon("op", "pw", 1), MIRABO_OK);
    log = service.log();
    EXPECT_EQ(log.back().value("params").toObject().value("interactive").toBool(), false);

    mark = service.log().size();
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    log = service.log();
    ASSERT_EQ(methods(log, mark), QStringList({"hello"}));
    EXPECT_EQ(log[mark].value("params").toObject().value("token").toString(), "tok1");
    LinkActivate(link);
    EXPECT_EQ(SwitchGet(3), 103);
    LinkClose(link);

    // The service forgets its tokens (a restart): the next open logs on again on the same connection.
    service.forget();
    mark = service.log().size();
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    LinkActivate(link);
    EXPECT_EQ(SwitchGet(4), 104);
    log = service.log();
    EXPECT_EQ(methods(log, mark), QStringList({"hello", "logon", "hello", "switch.get"}))
        << "after the logon a second hello learns the connection's real access";
    EXPECT_EQ(log[mark + 2].value("params").toObject().value("token").toString(), "tok2");
    LinkClose(link);

    mark = service.log().size();
    ASSERT_EQ(openLocal(server.port(), &link), MIRABO_OK);
    log = service.log();
    EXPECT_EQ(log[mark].value("params").toObject().value("token").toString(), "tok2") << "the new token is kept";
    EXPECT_EQ(methods(log, mark), QStringList({"hello"}));
    LinkClose(link);
}

TEST(ToolkitLogon, LogonCheckOfUnreachableServiceSaysNoLogonNeeded) {
    ToolkitScope scope;
    FakeServer server([](FakeConnection& c) { c.close(); });
    int32_t reserved = 0;
    EXPECT_EQ(LinkLogonRequired("127.0.0.1", server.port(), "", 0, "", 10, &reserved), 0);
}
