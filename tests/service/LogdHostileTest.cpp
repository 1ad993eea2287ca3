// mirabo-logd against hostile clients, all at once: a slowloris trickling one byte a second, a client
// that never reads its answers, and a thousand connections opened together. A normal client on another
// address keeps being served promptly, and the service's memory stays bounded.
#include "LogdClient.h"
#include "common/LogdProcess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace {

constexpr int kCrowd = 1000;
constexpr int kCrowdPerAddress = 25; // within the default limit per address

// A non-blocking TCP socket from loopback address `from` to 127.0.0.1:`port`; the connection may still
// be under way. -1 on failure.
int connectFrom(const char* from, quint16 port, int receiveBuffer = 0) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &a.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends all of `bytes`, waiting at most `stallMs` each time the socket takes nothing. False on a stall.
bool sendAll(int fd, const QByteArray& bytes, int stallMs) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, stallMs) <= 0)
            return false;
    }
    return true;
}

QByteArray hello(const QString& client) {
    return LogdClient::requestLine(1, "hello", {{"protocol", 1}, {"client", client}, {"program", "hostile"}});
}

// A field of /proc/PID/status in KiB ("VmRSS", "VmHWM").
qint64 statusKiB(qint64 pid, const char* field) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

bool raiseDescriptorLimit(rlim_t wanted) {
    rlimit rl{};
    if (::getrlimit(RLIMIT_NOFILE, &rl) != 0)
        return false;
    if (rl.rlim_cur >= wanted)
        return true;
    rl.rlim_cur = std::min(rl.rlim_max, wanted);
    return ::setrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur >= wanted;
}

struct Fds {
    std::vector<int> fds;
    ~Fds() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

TEST(LogdHostile, ServiceStaysResponsiveAndBoundedUnderHostileClients) {
    if (!raiseDescriptorLimit(kCrowd + 200))
        GTEST_SKIP() << "this test needs more than " << kCrowd << " descriptors";
    LogdProcess logd;
    ASSERT_TRUE(logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")}));
    LogdClient normal(logd.port(), QStringLiteral("127.0.1.1"));
    ASSERT_TRUE(normal.hello(QStringLiteral("normal")).value(QStringLiteral("access")).toBool());
    qint64 slowest = 0;
    // Served means answered within the client's own limit of 10 s; the slowest round trip is printed.
    auto normalIsServed = [&] {
        QElapsedTimer t;
        t.start();
        const bool ok = normal.value(QStringLiteral("stamp.get")).toInt(-1) == 0;
        slowest = std::max(slowest, t.elapsed());
        return ok;
    };

    // Slowloris: a hello that arrives one byte a second and never ends.
    std::atomic<bool> stop{false};
    std::thread slowloris([&] {
        const int fd = connectFrom("127.0.0.2", logd.port());
        const QByteArray bytes = hello(QStringLiteral("slow"));
        for (qsizetype i = 0; i < bytes.size() - 1 && !stop; ++i) {
            ::send(fd, bytes.constData() + i, 1, MSG_NOSIGNAL);
            for (int slice = 0; slice < 20 && !stop; ++slice)
                ::poll(nullptr, 0, 50);
        }
        ::close(fd);
    });
    EXPECT_TRUE(normalIsServed());

    // A client that never reads: large answers (project.path echoes the name) until its sending stalls,
    // that is until the service has stopped serving it.
    Fds deaf;
    deaf.fds.push_back(connectFrom("127.0.0.3", logd.port(), 16 * 1024));
    ASSERT_TRUE(sendAll(deaf.fds[0], hello(QStringLiteral("deaf")), 5000));
    const QJsonObject bigName{{"file", QString(256 * 1024, QLatin1Char('p'))}};
    int sentAhead = 0;
    while (sentAhead < 200 && sendAll(deaf.fds[0], LogdClient::requestLine(2 + sentAhead, "project.path", bigName), 500))
        ++sentAhead;
    EXPECT_LT(sentAhead, 200) << "the service stops taking requests from a client that takes no answers";
    EXPECT_TRUE(normalIsServed());

    // A thousand connections at once, from forty addresses, each saying hello without waiting.
    Fds crowd;
    for (int i = 0; i < kCrowd; ++i) {
        const QByteArray from = QByteArray("127.0.2.") + QByteArray::number(1 + i / kCrowdPerAddress);
        crowd.fds.push_back(connectFrom(from.constData(), logd.port()));
        ASSERT_GE(crowd.fds.back(), 0) << i;
    }
    for (int i = 0; i < kCrowd; ++i) {
        pollfd p{crowd.fds[size_t(i)], POLLOUT, 0};
        ASSERT_EQ(::poll(&p, 1, 10000), 1) << "connection " << i;
        ASSERT_TRUE(sendAll(p.fd, hello(QStringLiteral("crowd%1").arg(i)), 5000)) << i;
    }
    EXPECT_TRUE(normalIsServed());
    // Every one of them is answered.
    std::vector<pollfd> waiting;
    for (int fd : crowd.fds)
        waiting.push_back({fd, POLLIN, 0});
    QDeadlineTimer deadline(30000);
    size_t answered = 0;
    while (answered < waiting.size() && !deadline.hasExpired()) {
        if (::poll(waiting.data(), waiting.size(), 100) <= 0)
            continue;
        for (pollfd& p : waiting) {
            if (p.fd >= 0 && (p.revents & POLLIN)) {
                p.fd = -p.fd - 1; // poll skips it from now on
                ++answered;
            }
        }
    }
    EXPECT_EQ(answered, waiting.size());
    EXPECT_TRUE(normalIsServed());

    stop = true;
    slowloris.join();
    const qint64 peakKiB = statusKiB(logd.pid(), "VmHWM");
    std::printf("[ figures  ] slowest normal request %lld ms, %d requests sent ahead by the deaf client, "
                "service peak memory %lld KiB\n",
                static_cast<long long>(slowest), sentAhead, static_cast<long long>(peakKiB));
    EXPECT_GT(peakKiB, 0);
    // A sanitizer build of the service carries shadow memory and a quarantine of freed blocks.
#if defined(__SANITIZE_ADDRESS__)
    constexpr qint64 kOverhead = 4;
#elif defined(__SANITIZE_THREAD__)
    constexpr qint64 kOverhead = 8;
#else
    constexpr qint64 kOverhead = 1;
#endif
    EXPECT_LT(peakKiB, 64 * 1024 * kOverhead) << "memory bounded";
}

} // namespace
