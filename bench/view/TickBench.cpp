// Time per tick: a chunk appended into a view already holding close to M characters, with trimming.
#include "bench/view/BenchUtil.h"

#include "common/WindowParts.h"
#include "logview/KestraExtView.h"
#include "logview/LogWindow.h"
#include "logview/MainFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

void Measure(const char* label, int chunkLength, int ticks) {
    QTemporaryDir dir;
    WindowParts app;
    app.m_paths.m_strUserIniPath = dir.path() + "/KestraExt.ini";
    app.m_channel.SetLogFolder(dir.path() + "/");
    app.m_channel.m_bConnected = 1;
    LogWindow window = CreateLogWindow(app.Window());
    window.frame->resize(900, 700);
    window.frame->show();
    QCoreApplication::processEvents();

    auto feed = [&](const QString& text) {
        app.m_channel.AddPendingText(text);
    };
    feed(LogLines(app.m_channel.m_nMaxTextLength.load() - 10));
    app.m_pipeline.Tick();

    std::vector<double> ms;
    int maxLength = 0;
    for (int i = 0; i < ticks; ++i) {
        feed(LogLines(chunkLength, i * 31));
        QElapsedTimer timer;
        timer.start();
        app.m_pipeline.Deliver(pipeline::ReceivedTextPipeline::Gate::WhileShown);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        maxLength = std::max(maxLength, window.view->TextLength());
        QCoreApplication::processEvents(); // paint between ticks, as the event loop does
    }
    std::printf("tick %-28s chunk %5d chars: mean %.3f ms  p50 %.3f ms  p99 %.3f ms  max %.3f ms  (view max %d chars)\n",
                label, chunkLength, [&] { double s = 0; for (double v : ms) s += v; return s / ms.size(); }(),
                Percentile(ms, 50), Percentile(ms, 99), Percentile(ms, 100), maxLength);
    delete window.frame;
}

} // namespace

void RunTickBench() {
    Measure("full view, 16000-char chunk", 16000, 200);
    Measure("full view, 1600-char chunk", 1600, 400);
    Measure("full view, 160-char chunk", 160, 400);
    std::fflush(stdout);
}
