// Helpers of the worker tests: a worker thread that is always stopped, and polling waits with deadlines.
#pragma once

#include "common/StationParts.h"
#include "common/WaitFor.h"
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

// A stop ends within about 2 s (a goodbye to a silent service waits 700 ms per call). What the tests
// guard against is a stop that waits for a toolkit call's time-out (60 s): a quarter of it tells the two
// apart on any machine, loaded or sanitized.
constexpr int kStopWithinMs = 60000 / 4;

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
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
