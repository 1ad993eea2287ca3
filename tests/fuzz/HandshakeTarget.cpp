#include "FuzzTargets.h"

#include "common/TestTls.h"
#include "toolkit/TkNegotiate.h"
#include "toolkit/TkSocket.h"
#include "toolkit/TkTrust.h"

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>

namespace {

constexpr std::size_t kMaxStationBytes = 64 * 1024; // what a socket pair takes without a reader
constexpr int kDeadlineMs = 2000;

// The trust the client works with: a list that knows the station by a key nobody has, and a CA.
struct FuzzTrust {
    QTemporaryDir dir;
    QString list = dir.filePath(QStringLiteral("KnownStations.txt"));
    QString ca;
    FuzzTrust() {
        ca = MakeTestCertificate(dir.path(), QStringLiteral("ca"), {}, -1, 365, nullptr, true).certPath;
        QFile f(list);
        if (f.open(QIODevice::WriteOnly))
            f.write("station.example 1234 tls "
                    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF\n");
    }
};

// Every byte the client sent after its question is part of a TLS record: a known content type, a TLS
// version and a length that the next header follows exactly (the last record may be cut by the end).
bool OnlyTlsRecords(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 5)
            return false;
        const auto type = static_cast<unsigned char>(bytes[at]);
        const auto major = static_cast<unsigned char>(bytes[at + 1]);
        const std::size_t length = (std::size_t(static_cast<unsigned char>(bytes[at + 3])) << 8) |
                                   static_cast<unsigned char>(bytes[at + 4]);
        if (type < 20 || type > 23 || major != 3 || length > (1u << 14) + 2048)
            return false;
        at += 5 + length;
    }
    return at == bytes.size();
}

std::string DrainAll(int fd) {
    std::string all;
    char chunk[65536];
    for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT)) > 0;)
        all.append(chunk, size_t(n));
    return all;
}

} // namespace

// The station's side of a connection is the input: the first byte picks whether the answer to the TLS
// question is the input itself (odd) or a "yes" that puts the rest into the handshake (even), whether the
// list knows the station (bit 1) and whether a CA is trusted instead (bit 2). Whatever the bytes, the
// client trusts no key (none can be presented that the list or the CA vouch for), goes on only with a
// station in clear, sends nothing but the question and TLS records, and ends within its deadline.
int FuzzTlsHandshake(const uint8_t* data, size_t size) {
    static FuzzTrust trust;
    const uint8_t mode = size > 0 ? data[0] : 0;
    std::string station;
    if ((mode & 1) == 0)
        station = "{\"jsonrpc\":\"2.0\",\"id\":0,\"result\":{\"tls\":true}}\n";
    if (size > 1)
        station.append(reinterpret_cast<const char*>(data + 1), size - 1);
    station.resize(std::min(station.size(), kMaxStationBytes));
    const bool listed = (mode & 2) != 0;
    const bool ca = (mode & 4) != 0;
    mirabo::setTrustSettings(MiraboTrust{listed ? trust.list : trust.dir.filePath(QStringLiteral("none.txt")),
                                         ca ? trust.ca : QString(), QString()});

    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    ::fcntl(pair[1], F_SETFL, O_NONBLOCK);
    std::size_t written = 0;
    while (written < station.size()) {
        const ssize_t n = ::send(pair[1], station.data() + written, station.size() - written, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        written += size_t(n);
    }
    ::shutdown(pair[1], SHUT_WR); // the station says nothing more

    const MiraboEndpoint endpoint{QStringLiteral("station.example"), 1234, QString(), 0, QString(), 10};
    const auto start = std::chrono::steady_clock::now();
    mirabo::Negotiation n;
    bool secure = false;
    {
        mirabo::Socket socket;
        socket.adopt(pair[0]);
        n = mirabo::negotiate(socket, endpoint, mirabo::deadlineIn(kDeadlineMs), true);
        secure = socket.secure();
    } // the client's end closes here
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    const std::string sent = DrainAll(pair[1]);
    ::close(pair[1]);

    using base::KeyVerdict;
    FuzzCheck(n.facts.verdict != KeyVerdict::Known, "no key is trusted that nobody vouches for");
    FuzzCheck(n.code != MIRABO_OK || (n.facts.verdict == KeyVerdict::Clear && !secure && !listed && !ca),
              "only a station in clear, neither listed nor under a CA, goes on");
    FuzzCheck(n.code != MIRABO_E_UNTRUSTED || base::IsRefusal(n.facts.verdict), "a refusal says why");
    const std::string& question = mirabo::tlsQuestion();
    FuzzCheck(sent.compare(0, question.size(), question) == 0, "the question comes first");
    FuzzCheck(OnlyTlsRecords(sent.substr(std::min(sent.size(), question.size()))),
              "after the question, nothing but TLS records");
    FuzzCheck(tookMs < kDeadlineMs + 1000, "the handshake keeps to its deadline");
    return 0;
}
