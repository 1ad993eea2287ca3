// bench_link [LINES] [--tls]: how fast injected log lines travel from mirabo-logd to the worker's pending
// text (every line counted, none may be lost), the CPU this process spends on them, and how much CPU the
// worker uses while idle and connected. With --tls the service speaks TLS only and the worker trusts its
// key, so the two runs side by side show what TLS costs the client.
#include "common/LogdProcess.h"
#include "common/StationParts.h"
#include "link/Worker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

template <typename Condition>
bool WaitFor(Condition condition, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

QString Line(int i) {
    return QStringLiteral("bench line %1 of the throughput run, some padding text").arg(i, 7, 10, QLatin1Char('0'));
}

// Writes every line into the service's FIFO (blocking while the pipe is full).
bool WriteLines(const QString& fifo, int count) {
    QByteArray all;
    for (int i = 0; i < count; ++i)
        all += '\t' + Line(i).toUtf8() + '\n';
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < all.size()) {
        const ssize_t n = ::write(fd, all.constData() + done, static_cast<size_t>(all.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
    ::close(fd);
    return done == all.size();
}

int CountArrived(StationParts& app, int count, bool* inOrder) {
    const QString text = app.m_channel.PendingText();
    int found = 0;
    qsizetype from = 0;
    *inOrder = true;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = text.indexOf(Line(i), from);
        if (at < 0) {
            *inOrder = false;
            continue;
        }
        ++found;
        from = at;
    }
    return found;
}

bool RunThroughput(LogdProcess& logd, const QString& fifo, int lines, int maxText) {
    StationParts app;
    app.m_options.m_strHost = QStringLiteral("127.0.0.1");
    app.m_options.m_nPort = logd.port();
    app.m_channel.m_nMaxTextLength = maxText;
    std::unique_ptr<std::thread> worker = StartWorkerThread(app.Worker());
    if (!worker || !WaitFor([&] { return app.m_channel.m_bConnected.load() == 1; }, 10000)) {
        std::printf("worker did not connect\n");
        StopWorkerThread(app.m_channel, worker);
        return false;
    }
    const auto begin = Clock::now();
    const double cpu0 = ProcessCpuSeconds();
    std::thread writer([&] { WriteLines(fifo, lines); });
    const qsizetype lastLine = Line(lines - 1).size();
    WaitFor([&] {
        const QString text = app.m_channel.PendingText();
        return text.size() >= lastLine && text.contains(Line(lines - 1));
    }, 600000);
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    writer.join();
    const double cpu = ProcessCpuSeconds() - cpu0; // the worker, and this thread's looking (a few %)
    StopWorkerThread(app.m_channel, worker);
    bool inOrder = false;
    const int arrived = CountArrived(app, lines, &inOrder);
    const QString received = app.m_channel.PendingText();
    if (received.contains(QStringLiteral("dropped because the client did not read in time")))
        std::printf("  the service's queue (1 Mi code units) overflowed: use fewer lines\n");
    std::printf("max text %6d: %d of %d lines arrived%s in %.2f s = %.0f lines/s (%.0f chars/s), "
                "%.2f CPU s per 100k lines\n",
                maxText, arrived, lines, inOrder ? " in order" : " OUT OF ORDER", seconds, arrived / seconds,
                static_cast<double>(received.size()) / seconds, cpu / arrived * 100000.0);
    return arrived == lines && inOrder;
}

double ThreadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs the worker on a thread of the bench's own, so that the thread's CPU time can be read at its end
// (connect step included), next to the CPU time of the whole process while the worker idles.
void RunIdle(LogdProcess& logd, int seconds) {
    StationParts app;
    app.m_options.m_strHost = QStringLiteral("127.0.0.1");
    app.m_options.m_nPort = logd.port();
    double workerCpu = 0;
    Clock::time_point workerBegin = Clock::now(), workerEnd;
    std::thread worker([&] {
        WorkerProc(app.Worker());
        workerCpu = ThreadCpuSeconds();
        workerEnd = Clock::now();
    });
    WaitFor([&] { return app.m_channel.m_bConnected.load() == 1; }, 10000);
    QThread::msleep(300);
    const double cpu0 = ProcessCpuSeconds();
    const auto begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
    app.m_channel.m_bStopWorker = 1;
    worker.join();
    const double workerWall = std::chrono::duration<double>(workerEnd - workerBegin).count();
    std::printf("idle and connected: worker thread %.2f ms CPU per second over %.1f s (connect included); "
                "whole process %.2f ms CPU per second\n",
                workerCpu * 1000.0 / workerWall, workerWall, cpu * 1000.0 / wall);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    QStringList args = qapp.arguments().mid(1);
    const bool tls = args.removeAll(QStringLiteral("--tls")) > 0;
    // 15000 lines of 60 characters stay below the service's per-client queue of 1 Mi code units.
    const int lines = !args.isEmpty() ? std::max(1, args[0].toInt()) : 15000;
    LogdProcess logd;
    const QString fifo = logd.projectDir() + QStringLiteral("/../inject.fifo");
    QStringList logdArgs{QStringLiteral("--sim-interval"), QStringLiteral("0"), QStringLiteral("--inject"), fifo};
    if (tls)
        logdArgs << QStringLiteral("--tls");
    if (!logd.start(logdArgs)) {
        std::printf("mirabo-logd did not start: %s\n", qPrintable(logd.errorOutput()));
        return 1;
    }
    QTemporaryDir trust;
    ToolkitSetTrust(MiraboTrust{trust.filePath(QStringLiteral("KnownStations.txt")), QString(), QString()});
    if (tls)
        LinkTrustStation(MiraboEndpoint{QStringLiteral("127.0.0.1"), logd.port(), QString(), 0, QString(), 10},
                         logd.fingerprint());
    std::printf("%s; one fetch per %d ms cycle, at most 'max text' characters each\n",
                tls ? "over TLS" : "in clear", kWorkerCycleMs);
    bool ok = RunThroughput(logd, fifo, lines, 16000);
    ok = RunThroughput(logd, fifo, lines / 4, 4096) && ok;
    ok = RunThroughput(logd, fifo, lines, 262144) && ok; // the pipeline without the per-cycle cap
    RunIdle(logd, 5);
    return ok ? 0 : 1;
}
