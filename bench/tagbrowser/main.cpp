// bench_tagbrowser [TAGS]: how long the tag browser takes to open on a station with many tags (default
// 5000, read from a real mirabo-logd), and how long each keystroke in its filter field takes until the
// narrowed list is painted. Prints figures; asserts nothing.
#include "common/LogdProcess.h"
#include "orbelle/TagBrowserDialog.h"
#include "orbelle/TagTableView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

// A project folder with `count` tags of every type and behaviour.
bool WriteProject(const QString& folder, int count) {
    QFile ini(folder + "/project.ini");
    QFile tags(folder + "/tags.txt");
    if (!ini.open(QIODevice::WriteOnly) || !tags.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Project]\nStation=BENCH\nLogonRequired=0\n");
    const char* kinds[] = {"Real    | sine 0 100 40", "Integer | ramp 0 1450 50", "Boolean | toggle 6",
                           "String  | cycle Stopped Running Cleaning"};
    for (int i = 0; i < count; ++i) {
        tags.write(QStringLiteral("Line%1.Station%2.Signal%3 | %4 | Signal %3 of station %2 on line %1\n")
                       .arg(i / 500 + 1)
                       .arg(i / 50 % 10 + 1)
                       .arg(i)
                       .arg(QLatin1String(kinds[i % 4]))
                       .toUtf8());
    }
    return true;
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;

    QTemporaryDir source;
    if (!WriteProject(source.path(), count))
        return 1;
    LogdProcess logd(source.path());
    if (!logd.start({"--sim-interval", "1000"})) {
        std::fprintf(stderr, "mirabo-logd did not start\n%s\n", qPrintable(logd.errorOutput()));
        return 1;
    }
    ToolkitInit();
    MiraboLink link = nullptr;
    if (LinkOpen("127.0.0.1", logd.port(), QString(), 0, QString(), 10, &link) != MIRABO_OK)
        return 1;
    LinkActivate(link);

    // Opening: the service's list, the table, the first paint.
    QElapsedTimer open;
    open.start();
    QElapsedTimer fetch;
    fetch.start();
    QList<MiraboTagInfo> tags;
    TagList(QString(), &tags);
    const double fetchMs = Ms(fetch);
    TagBrowserDialog dialog;
    dialog.SetTags(tags);
    dialog.show();
    dialog.repaint();
    QCoreApplication::processEvents();
    std::printf("tags %d: opened in %.1f ms (tag.list %.1f ms, table and first paint %.1f ms)\n",
                static_cast<int>(tags.size()), Ms(open), fetchMs, Ms(open) - fetchMs);

    // Typing into the filter, one character at a time, then deleting it again.
    const QString typed = QStringLiteral("line7.station3.signal31");
    double worst = 0;
    double total = 0;
    int strokes = 0;
    auto stroke = [&](const QString& text) {
        QElapsedTimer t;
        t.start();
        dialog.FilterField()->setText(text);
        dialog.repaint();
        QCoreApplication::processEvents();
        worst = std::max(worst, Ms(t));
        total += Ms(t);
        ++strokes;
    };
    for (int n = 1; n <= typed.size(); ++n)
        stroke(typed.left(n));
    const int narrowed = dialog.Table()->ShownCount();
    for (int n = static_cast<int>(typed.size()) - 1; n >= 0; --n)
        stroke(typed.left(n));
    std::printf("filter: %d keystrokes, mean %.2f ms, worst %.2f ms (\"%s\" leaves %d of %d)\n", strokes,
                total / strokes, worst, qPrintable(typed), narrowed, dialog.Table()->TagCount());
    LinkClose(link);
    ToolkitExit();
    return 0;
}
