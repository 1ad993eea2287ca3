// TLS and trust against the real mirabo-logd and against stations and relays a test plays: the key
// trusted on first use, a changed key, a relay with another key, a relay that strips TLS, certificate
// faults, what crosses the wire, and what a station in clear costs.
#include "common/FakeServer.h"
#include "ToolkitTestUtil.h"
#include "common/LogdProcess.h"
#include "common/TestTls.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

namespace {

using base::KeyVerdict;

const QString kUser = QStringLiteral("operator");
const QString kPassword = QStringLiteral("operator-demo");

MiraboEndpoint At(int port, const QString& host = QStringLiteral("127.0.0.1")) {
    return MiraboEndpoint{host, port, QString(), 0, QString(), 10};
}

// A fresh toolkit with a list of known stations of its own (and, when given, a CA to trust).
struct TrustScope : ToolkitScope {
    explicit TrustScope(const QString& caFile = QString()) { Trust(caFile); }
    void Trust(const QString& caFile) {
        ToolkitSetTrust(MiraboTrust{List(), caFile, dir.path() + QStringLiteral("/StationTrust.ini")});
    }
    QString List() const { return dir.path() + QStringLiteral("/KnownStations.txt"); }
    QString ListText() const {
        QFile f(List());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTemporaryDir dir;
};

MiraboStationKey Check(const MiraboEndpoint& endpoint, int32_t* code = nullptr) {
    MiraboStationKey key;
    const int32_t rc = LinkCheckStation(endpoint, &key);
    if (code)
        *code = rc;
    return key;
}

MiraboStationKey Refusal(const MiraboEndpoint& endpoint) {
    MiraboStationKey key;
    EXPECT_NE(LinkStationRefusal(endpoint, &key), 0);
    return key;
}

int32_t Open(const MiraboEndpoint& endpoint, MiraboLink* link) {
    *link = nullptr;
    const int32_t rc = LinkOpen(endpoint, link);
    if (rc == MIRABO_OK) {
        LinkSetTimeout(*link, 5000);
        LinkActivate(*link);
    }
    return rc;
}

QString ReadUntil(const QString& needle) {
    QString all;
    WaitFor([&] {
        QString chunk;
        if (LogTextRead(&chunk, 16000) == MIRABO_OK)
            all += chunk;
        return all.contains(needle);
    });
    return all;
}

// What the service heard from clients since `from` (characters of its event log, which names every hello
// and logon).
bool ServiceHeardAProtocolRequest(LogdProcess& logd, qsizetype from = 0) {
    const QString log = logd.errorOutput().mid(from);
    return log.contains(QStringLiteral("hello from")) || log.contains(QStringLiteral("logged on")) ||
           log.contains(QStringLiteral("refused"));
}

int ConnectTo(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// An HTTP proxy that opens the tunnel of every CONNECT to the service and passes the bytes on unchanged,
// keeping a copy of both directions: what anybody on the path sees.
class TappingProxy {
public:
    explicit TappingProxy(quint16 servicePort)
        : m_server([this, servicePort](FakeConnection& down) {
              down.passTlsQuestion();
              std::string line;
              while (down.readLine(&line) && line != "\r") {
              }
              down.sendRaw("HTTP/1.1 200 Connection established\r\n\r\n");
              Pump(down.fd(), servicePort, down);
          }) {}
    int port() const { return m_server.port(); }
    std::string Seen() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_seen;
    }

private:
    void Pump(int down, quint16 servicePort, FakeConnection& c) {
        const int up = ConnectTo(servicePort);
        while (up >= 0 && !c.stopping()) {
            pollfd p[2] = {{down, POLLIN, 0}, {up, POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                char chunk[65536];
                const ssize_t n = ::recv(p[i].fd, chunk, sizeof chunk, 0);
                if (n <= 0) {
                    ::close(up);
                    return;
                }
                {
                    std::lock_guard<std::mutex> guard(m_mutex);
                    m_seen.append(chunk, size_t(n));
                }
                ::send(p[1 - i].fd, chunk, size_t(n), MSG_NOSIGNAL);
            }
        }
        if (up >= 0)
            ::close(up);
    }

    std::mutex m_mutex;
    std::string m_seen;
    FakeServer m_server; // last: its connections use the members above
};

// A station a test plays. It answers the TLS question with `answer` (a JSON-RPC result or error for id
// 0; empty: it ends the connection instead), presents `pair` when it says yes, and keeps every byte it
// receives after the question.
class PlayedStation {
public:
    PlayedStation(std::string answer, const TestKeyPair* pair = nullptr)
        : m_answer(std::move(answer)), m_pair(pair), m_server([this](FakeConnection& c) { Serve(c); }) {}
    int port() const { return m_server.port(); }
    int accepted() const { return m_server.accepted(); }
    std::string Received() {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_received;
    }

private:
    void Serve(FakeConnection& c) {
        c.passTlsQuestion();
        std::string question;
        if (!c.readLine(&question) || m_answer.empty())
            return;
        c.sendRaw(m_answer + "\n");
        std::string after;
        if (m_pair) {
            TestTlsServer tls(c.fd(), *m_pair);
            if (tls.accept(5000))
                after = tls.readUntilClosed(5000);
        } else {
            std::string line;
            while (c.readLine(&line, 5000))
                after += line + "\n";
        }
        std::lock_guard<std::mutex> guard(m_mutex);
        m_received += after;
    }

    std::string m_answer;
    const TestKeyPair* m_pair;
    std::mutex m_mutex;
    std::string m_received;
    FakeServer m_server;
};

const std::string kSaysTls = R"({"jsonrpc":"2.0","id":0,"result":{"tls":true}})";
const std::string kSaysClear = R"({"jsonrpc":"2.0","id":0,"error":{"code":-32601,"message":"no"}})";

} // namespace

// The first contact asks; trusted once, the station is spoken to over TLS; a new key and a fall back to
// clear are each refused before any request, the password above all, reaches the service.
TEST(ToolkitTls, TrustedOnFirstUseThenRefusedWhenTheKeyChangesOrTlsGoes) {
    TrustScope scope;
    LogdProcess logd;
    ASSERT_TRUE(logd.start({"--tls", "--require-logon", "--sim-interval", "0"}));
    const QString key = logd.fingerprint();
    ASSERT_EQ(key.size(), 95) << logd.errorOutput().toStdString();
    const MiraboEndpoint station = At(logd.port());

    int32_t code = 0;
    MiraboStationKey facts = Check(station, &code);
    EXPECT_EQ(code, MIRABO_E_UNTRUSTED);
    EXPECT_EQ(facts.verdict, KeyVerdict::Unknown);
    EXPECT_EQ(facts.presented, key);
    EXPECT_TRUE(facts.loopback);
    EXPECT_GT(facts.notAfter, QDateTime::currentDateTimeUtc().addYears(9)) << "a made certificate lasts ten years";
    MiraboLink link = nullptr;
    EXPECT_EQ(Open(station, &link), MIRABO_E_UNTRUSTED) << "an unknown key is never used on its own";
    EXPECT_EQ(link, nullptr);
    EXPECT_EQ(LinkLogonRequired(station), 0);
    EXPECT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_E_UNTRUSTED);
    EXPECT_FALSE(ServiceHeardAProtocolRequest(logd));

    // Trusted as an administrator hands the fingerprint out, in any spelling.
    EXPECT_EQ(LinkTrustStation(station, key.toLower().remove(u':')), MIRABO_OK);
    EXPECT_TRUE(scope.ListText().contains(QStringLiteral("127.0.0.1 %1 tls %2").arg(logd.port()).arg(key)));
    EXPECT_EQ(Check(station).verdict, KeyVerdict::Known);
    EXPECT_EQ(LinkLogonRequired(station), 1);
    EXPECT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_OK);
    ASSERT_EQ(Open(station, &link), MIRABO_OK);
    EXPECT_EQ(LogOutputEnable(1), MIRABO_OK);
    ASSERT_TRUE(logd.inject(-1, QStringLiteral("over TLS 1")));
    EXPECT_TRUE(ReadUntil(QStringLiteral("over TLS 1")).contains(QStringLiteral("over TLS 1")));
    EXPECT_EQ(LinkIsLost(link), 0) << "an idle TLS link is not taken for a lost one";
    LinkClose(link);

    // A new key: the held credentials and token would go out with the hello and the re-logon.
    logd.stop();
    logd.forgetKey();
    qsizetype heard = logd.errorOutput().size();
    ASSERT_TRUE(logd.restart());
    const QString newKey = logd.fingerprint();
    ASSERT_NE(newKey, key);
    EXPECT_EQ(Open(station, &link), MIRABO_E_UNTRUSTED);
    EXPECT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_E_UNTRUSTED);
    EXPECT_FALSE(ServiceHeardAProtocolRequest(logd, heard));
    facts = Refusal(station);
    EXPECT_EQ(facts.verdict, KeyVerdict::Changed);
    EXPECT_EQ(facts.known, key);
    EXPECT_EQ(facts.presented, newKey);
    EXPECT_EQ(facts.listFile, scope.List());

    // The same station in clear: refused as well, without a byte of the protocol.
    heard = logd.errorOutput().size();
    ASSERT_TRUE(logd.start({"--require-logon", "--sim-interval", "0"}, logd.port()));
    EXPECT_EQ(Open(station, &link), MIRABO_E_UNTRUSTED);
    EXPECT_EQ(Refusal(station).verdict, KeyVerdict::ClearWhereTls);
    EXPECT_EQ(Refusal(station).known, key);
    EXPECT_FALSE(ServiceHeardAProtocolRequest(logd, heard));

    // Accepted on purpose: the new key replaces the old one's line.
    ASSERT_TRUE(logd.start({"--tls", "--require-logon", "--sim-interval", "0"}, logd.port()));
    EXPECT_EQ(LinkTrustStation(station, newKey), MIRABO_OK);
    EXPECT_EQ(scope.ListText().count(QStringLiteral("127.0.0.1 %1 ").arg(logd.port())), 1);
    EXPECT_EQ(Open(station, &link), MIRABO_OK) << "the held logon is made again over TLS";
    LinkClose(link);
}

// In the middle, a relay with a key of its own, or one that says the station speaks clear, or one that
// ends the connection at the question: nothing reaches it but the question, and each is told apart.
TEST(ToolkitTls, RelaysInTheMiddleGetNothingButTheQuestion) {
    TrustScope scope;
    const TestKeyPair station = MakeTestCertificate(scope.dir.path(), "station", {"DNS:localhost"}, -1, 30);
    const TestKeyPair other = MakeTestCertificate(scope.dir.path(), "other", {"DNS:localhost"}, -1, 30);
    PlayedStation mitm(kSaysTls, &other);
    PlayedStation strip(kSaysClear);
    PlayedStation ender("");
    for (PlayedStation* relay : {&mitm, &strip, &ender})
        ASSERT_EQ(LinkTrustStation(At(relay->port()), station.fingerprint), MIRABO_OK);

    MiraboLink link = nullptr;
    EXPECT_EQ(LinkLogonRequired(At(mitm.port())), 0);
    EXPECT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_E_UNTRUSTED);
    EXPECT_EQ(Open(At(mitm.port()), &link), MIRABO_E_UNTRUSTED);
    const MiraboStationKey facts = Refusal(At(mitm.port()));
    EXPECT_EQ(facts.verdict, KeyVerdict::Changed);
    EXPECT_EQ(facts.known, station.fingerprint);
    EXPECT_EQ(facts.presented, other.fingerprint);

    EXPECT_EQ(LinkLogonRequired(At(strip.port())), 0);
    EXPECT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_E_UNTRUSTED);
    EXPECT_EQ(Open(At(strip.port()), &link), MIRABO_E_UNTRUSTED);
    EXPECT_EQ(Refusal(At(strip.port())).verdict, KeyVerdict::ClearWhereTls);

    EXPECT_NE(Open(At(ender.port()), &link), MIRABO_OK);
    EXPECT_EQ(link, nullptr);

    EXPECT_TRUE(WaitFor([&] { return mitm.accepted() == 3 && strip.accepted() == 3; }));
    EXPECT_EQ(mitm.Received(), "") << "after the handshake the relay got no byte: no request, no password";
    EXPECT_EQ(strip.Received(), "");
    EXPECT_EQ(ender.accepted(), 1) << "a known TLS station gets no second try in clear";
}

// Certificates that are not good enough, each with its own verdict; with a CA, the station's name and the
// CA's signature decide, and every station must speak TLS.
TEST(ToolkitTls, CertificateFaultsAreToldApart) {
    TrustScope scope;
    const QString dir = scope.dir.path();
    const TestKeyPair ca = MakeTestCertificate(dir, "ca", {}, -1, 365, nullptr, true);
    const TestKeyPair expired = MakeTestCertificate(dir, "expired", {"IP:127.0.0.1"}, -30, -1, &ca);
    const TestKeyPair early = MakeTestCertificate(dir, "early", {"IP:127.0.0.1"}, 2, 30, &ca);
    const TestKeyPair misnamed = MakeTestCertificate(dir, "misnamed", {"DNS:plc9.plant.example"}, -1, 365, &ca);
    const TestKeyPair good = MakeTestCertificate(dir, "good", {"IP:127.0.0.1", "DNS:localhost"}, -1, 365, &ca);
    LogdProcess logd;
    auto serve = [&](const TestKeyPair* pair) {
        QStringList args{"--sim-interval", "0"};
        if (pair)
            args << "--tls" << "--tls-cert" << pair->certPath << "--tls-key" << pair->keyPath;
        return logd.start(args, logd.port());
    };
    ASSERT_TRUE(serve(&expired));
    const MiraboEndpoint station = At(logd.port());
    MiraboStationKey facts = Check(station);
    EXPECT_EQ(facts.verdict, KeyVerdict::NotValidNow) << "also without a CA, and before any question of trust";
    EXPECT_LT(facts.notAfter, QDateTime::currentDateTimeUtc());

    scope.Trust(ca.certPath);
    EXPECT_EQ(Check(station).verdict, KeyVerdict::NotValidNow);
    ASSERT_TRUE(serve(&early));
    EXPECT_EQ(Check(station).verdict, KeyVerdict::NotValidNow);
    ASSERT_TRUE(serve(&misnamed));
    EXPECT_EQ(Check(station).verdict, KeyVerdict::WrongName);
    EXPECT_EQ(Check(At(logd.port(), "localhost")).verdict, KeyVerdict::WrongName);
    ASSERT_TRUE(serve(&good));
    int32_t code = 0;
    EXPECT_EQ(Check(station, &code).verdict, KeyVerdict::Known);
    EXPECT_EQ(code, MIRABO_OK);
    EXPECT_EQ(Check(At(logd.port(), "localhost")).verdict, KeyVerdict::Known);
    MiraboLink link = nullptr;
    EXPECT_EQ(Open(station, &link), MIRABO_OK) << "the CA vouches: no list entry needed";
    LinkClose(link);
    EXPECT_EQ(scope.ListText(), QString());

    ASSERT_TRUE(logd.start({"--tls", "--sim-interval", "0"}, logd.port())); // its own, self-signed
    facts = Check(station);
    EXPECT_EQ(facts.verdict, KeyVerdict::NotFromCa);
    EXPECT_FALSE(facts.detail.isEmpty());
    ASSERT_TRUE(serve(nullptr));
    EXPECT_EQ(Check(station).verdict, KeyVerdict::ClearWhereCa);
    EXPECT_EQ(Open(station, &link), MIRABO_E_UNTRUSTED);

    scope.Trust(dir + QStringLiteral("/no-such-ca.pem"));
    ASSERT_TRUE(serve(&good));
    facts = Check(station);
    EXPECT_EQ(facts.verdict, KeyVerdict::CaUnusable);
    EXPECT_EQ(facts.caFile, dir + QStringLiteral("/no-such-ca.pem"));
}

// On the wire, here through an HTTP proxy (TLS inside its tunnel): with TLS, neither the user name, the
// password, the token nor any log text can be read; the same tap on a station in clear shows them all,
// so the tap does see what passes.
TEST(ToolkitTls, NothingReadableOnTheWireOnceTlsIsOn) {
    for (const bool tls : {true, false}) {
        TrustScope scope;
        LogdProcess logd;
        QStringList args{"--require-logon", "--sim-interval", "0"};
        if (tls)
            args << "--tls";
        ASSERT_TRUE(logd.start(args));
        TappingProxy proxy(logd.port());
        const MiraboEndpoint station{"127.0.0.1", logd.port(), "127.0.0.1", proxy.port(), QString(), 10};
        if (tls) {
            ASSERT_EQ(LinkTrustStation(At(logd.port()), logd.fingerprint()), MIRABO_OK);
        }
        const MiraboStationKey facts = Check(station);
        EXPECT_EQ(facts.verdict, tls ? KeyVerdict::Known : KeyVerdict::Clear);
        EXPECT_FALSE(facts.loopback) << "beyond a proxy, the station's path is not known";
        ASSERT_EQ(LinkLogonRequired(station), 1);
        ASSERT_EQ(LinkLogon(kUser, kPassword, 1), MIRABO_OK);
        MiraboLink link = nullptr;
        ASSERT_EQ(Open(station, &link), MIRABO_OK);
        EXPECT_EQ(LogOutputEnable(1), MIRABO_OK);
        const QString secret = QStringLiteral("tank 7 overflow %1").arg(tls);
        ASSERT_TRUE(logd.inject(-1, secret));
        EXPECT_TRUE(ReadUntil(secret).contains(secret));
        LinkClose(link);
        const std::string token = mirabo::heldToken().toStdString();
        ASSERT_FALSE(token.empty());
        const std::string seen = proxy.Seen();
        EXPECT_NE(seen.find("tls.start"), std::string::npos) << "the question is the one thing in clear";
        for (const std::string& plain : {kPassword.toStdString(), std::string("\"operator\""), token,
                                         secret.toStdString(), std::string("hello")}) {
            EXPECT_EQ(seen.find(plain) == std::string::npos, tls) << (tls ? "readable over TLS: " : "not seen: ")
                                                                   << plain;
        }
    }
}

// A station in clear: one that answers the question "no" costs nothing more; one that ends the
// connection when the first request is not its hello costs one connection more, no other.
TEST(ToolkitTls, ClearStationsCostAtMostOneMoreConnection) {
    TrustScope scope;
    FakeServer plain(serveStandard);
    std::atomic<int> helloFirstOnSecond{0};
    FakeServer helloFirst([&](FakeConnection& c) {
        c.passTlsQuestion();
        const QJsonObject first = c.readRequest();
        if (first.value("method") != "hello") {
            c.sendError(first, -32002);
            return; // and closes, as a service that wants its hello first
        }
        if (c.index() == 1)
            ++helloFirstOnSecond;
        c.acceptHello(first);
        for (QJsonObject r; !(r = c.readRequest(60000)).isEmpty();)
            c.sendResult(r, standardResult(r));
    });
    for (FakeServer* server : {&plain, &helloFirst}) {
        MiraboLink link = nullptr;
        ASSERT_EQ(Open(At(server->port()), &link), MIRABO_OK);
        EXPECT_EQ(SwitchGet(2), 102);
        MiraboStationKey facts;
        EXPECT_EQ(LinkCheckStation(At(server->port()), &facts), MIRABO_OK);
        EXPECT_EQ(facts.verdict, KeyVerdict::Clear);
        EXPECT_FALSE(LinkStationRefusal(At(server->port()), nullptr));
        LinkClose(link);
    }
    EXPECT_EQ(plain.accepted(), 2); // the link, the check
    EXPECT_EQ(helloFirst.accepted(), 3); // the link and its second try, the check
    EXPECT_EQ(helloFirstOnSecond.load(), 1);
    // Told once: noted in the list, for every program of the user.
    EXPECT_EQ(LinkClearStationNoted(At(plain.port())), 0);
    EXPECT_EQ(LinkNoteClearStation(At(plain.port())), MIRABO_OK);
    EXPECT_EQ(LinkClearStationNoted(At(plain.port(), "127.0.0.1.")), 1);
    EXPECT_TRUE(scope.ListText().contains(QStringLiteral("127.0.0.1 %1 clear").arg(plain.port())));
}
