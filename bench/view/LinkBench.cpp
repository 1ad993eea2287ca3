// With a real stand-in service: latency from injecting a line to seeing it in the view (worker, pending
// text and view timer in this process), and the kestra program's CPU use idle and at 1000 lines/s.
#include "bench/view/BenchUtil.h"

#include "common/WindowParts.h"
#include "common/LogdProcess.h"
#include "link/Worker.h"
#include "logview/KestraExtView.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"
#include "toolkit/MiraboToolkit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QThread>

#include <unistd.h>

namespace {

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void MeasureLatency(LogdProcess& logd, const QString& host, int lines, int intervalMs) {
    QTemporaryDir dir;
    WindowParts app;
    app.m_options.m_strHost = host;
    app.m_options.m_nPort = logd.port();
    app.m_paths.m_strExeIniPath = dir.path() + "/none.ini";
    app.m_paths.m_strUserIniPath = dir.path() + "/KestraExt.ini";
    app.m_channel.SetLogFolder(dir.path() + "/");
    app.m_channel.m_bConnected = 1;
    LogWindow window = CreateLogWindow(app.Window());
    window.frame->resize(900, 700);
    window.frame->show();
    app.m_channel.m_bConnected = 0;
    auto worker = StartWorkerThread(app.Worker());

    QElapsedTimer clock;
    clock.start();
    while (!app.m_channel.m_bConnected.load() && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!app.m_channel.m_bConnected.load()) {
        std::printf("latency %s: no link\n", qPrintable(host));
        StopWorkerThread(app.m_channel, worker);
        delete window.frame;
        return;
    }
    Wait(500);

    QHash<int, qint64> sent;
    std::vector<double> latency;
    static const QRegularExpression marker(QStringLiteral("LAT(\\d+)#"));
    QObject::connect(window.view->document(), &QTextDocument::contentsChange, window.view,
                     [&](int from, int, int added) {
                         QTextCursor cursor(window.view->document());
                         cursor.setPosition(from);
                         cursor.setPosition(std::min(from + added, window.view->TextLength()), QTextCursor::KeepAnchor);
                         const qint64 now = clock.nsecsElapsed();
                         auto it = marker.globalMatch(cursor.selectedText());
                         while (it.hasNext()) {
                             const int id = it.next().captured(1).toInt();
                             if (sent.contains(id))
                                 latency.push_back((now - sent.take(id)) / 1e6);
                         }
                     });
    for (int i = 0; i < lines; ++i) {
        sent.insert(i, clock.nsecsElapsed());
        logd.inject(-1, QStringLiteral("LAT%1# latency probe").arg(i));
        Wait(intervalMs);
    }
    Wait(2500);
    std::printf("latency %-10s (view period %4d ms): %zu of %d lines seen, p50 %.1f ms  p99 %.1f ms  max %.1f ms\n",
                qPrintable(host), app.m_pipeline.Period(), latency.size(), lines, Percentile(latency, 50),
                Percentile(latency, 99), Percentile(latency, 100));
    std::fflush(stdout);
    StopWorkerThread(app.m_channel, worker);
    delete window.frame;
}

// user + system CPU time of a process in seconds.
double CpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    // fields[0] is the state (field 3); utime and stime are fields 14 and 15.
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

void MeasureCpu(LogdProcess& logd) {
    QTemporaryDir dir;
    QProcess kestra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
    kestra.setProcessEnvironment(env);
    kestra.start(QStringLiteral(KESTRA_BIN_DIR "/kestra"), {QStringLiteral("/dsport:%1").arg(logd.port())});
    if (!kestra.waitForStarted(5000)) {
        std::printf("cpu: kestra did not start\n");
        return;
    }
    Wait(3000); // connect and settle
    const qint64 pid = kestra.processId();
    const int seconds = 10;
    double before = CpuSeconds(pid);
    Wait(seconds * 1000);
    const double idle = (CpuSeconds(pid) - before) / seconds * 100;

    before = CpuSeconds(pid);
    QElapsedTimer clock;
    clock.start();
    int line = 0;
    while (clock.elapsed() < seconds * 1000) {
        const int due = static_cast<int>(clock.elapsed()); // 1 line per ms
        while (line < due)
            logd.inject(-1, QStringLiteral("load line %1 with some text to make it look like a log message").arg(line++));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(10);
    }
    const double busy = (CpuSeconds(pid) - before) / seconds * 100;
    std::printf("cpu kestra: idle %.1f %%, at %d lines/s %.1f %% of one core\n", idle, line / seconds, busy);
    kestra.terminate();
    kestra.waitForFinished(5000);
    if (kestra.state() != QProcess::NotRunning) {
        kestra.kill();
        kestra.waitForFinished(5000);
    }
}

} // namespace

void RunLinkBench() {
    ToolkitInit();
    LogdProcess logd;
    if (!logd.start({QStringLiteral("--sim-interval"), QStringLiteral("0")})) {
        std::printf("link figures skipped: mirabo-logd did not start\n");
        return;
    }
    MeasureLatency(logd, QStringLiteral("localhost"), 150, 67);
    MeasureLatency(logd, QStringLiteral("127.0.0.1"), 150, 67);
    if (QFile::exists(QStringLiteral(KESTRA_BIN_DIR "/kestra")))
        MeasureCpu(logd);
    logd.stop();
    ToolkitExit();
}
