// Helpers of the worker tests: a worker thread that is always stopped, and polling waits with deadlines.
#pragma once

#include "common/StationParts.h"
#include "link/Worker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <ostream>
#include <memory>
#include <mutex>
#include <thread>

// A stop ends within about 2 s (a goodbye to a silent service waits 700 ms per call): this bound leaves
// room for a loaded machine and is still far below the 60 s a toolkit call would otherwise wait.
constexpr int kStopWithinMs = 5000;

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// Waits until `condition` holds, at most `ms` milliseconds, processing events meanwhile.
template <typename Condition>
bool WaitFor(Condition condition, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

// A shared state pointed at a service on 127.0.0.1 with its own executable-folder settings file.
struct WorkerFixtureState {
    QTemporaryDir exeDir;
    StationParts app;

    explicit WorkerFixtureState(int port, const QString& host = QStringLiteral("127.0.0.1")) {
        app.m_paths.m_strExeIniPath = exeDir.path() + QStringLiteral("/KestraExt.ini");
        app.m_options.m_strHost = host;
        app.m_options.m_nPort = port;
        app.m_channel.SetLogFolder(exeDir.path() + QStringLiteral("/user/"));
    }

    QString pending() { return app.m_channel.PendingText(); }
    QString logFolder() { return app.m_channel.LogFolder(); }
    QStringList tags() { return app.m_channel.Tags(); }
    QString fontName() { return app.m_channel.Font().name; }
    int32_t charSet() { return app.m_channel.Font().charSet; }
    bool switchQueueEmpty() { return app.m_channel.SwitchQueue().empty(); }
    void queueSwitch(uint32_t index, int32_t value) { app.m_channel.QueueSwitchChange(PackChange(index, value)); }
};

// The worker thread of a test; stopped (and joined) at the latest when the object goes.
class WorkerRun {
public:
    explicit WorkerRun(StationParts& app) : m_app(app), m_thread(StartWorkerThread(app.Worker())) {}
    ~WorkerRun() { stop(); }
    bool started() const { return m_thread != nullptr; }

    // Requests the stop and returns how long the thread took to end.
    std::chrono::milliseconds stop() {
        const auto begin = std::chrono::steady_clock::now();
        StopWorkerThread(m_app.m_channel, m_thread);
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin);
    }

private:
    StationParts& m_app;
    std::unique_ptr<std::thread> m_thread;
};
