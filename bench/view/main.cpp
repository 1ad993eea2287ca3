// Prints the log view's figures: time per tick to append and trim a chunk into a full view, and (with
// the stand-in service) the time to search a full view, the latency from injection to the view and the program's CPU use.
//   bench_view [--tick-only]
#include "bench/view/BenchUtil.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    RunTickBench();
    RunFindBench();
    if (!qtApp.arguments().contains(QStringLiteral("--tick-only")))
        RunLinkBench();
    return 0;
}
