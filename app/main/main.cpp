// Entry point of the log viewer: the application object's start-up, the message loop, and its
// shut-down, in the order the framework runs them.
#include "app/KestraExtApp.h"
#include "app/TerminationSignals.h"
#include "app/core/SecretArguments.h"
#include "app/core/SettingsFolder.h"
#include "app/core/Usage.h"
#include "logview/MainFrame.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version answer before anything is read, written, shown or connected.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const InfoRequest request = InfoRequestOf(arguments); request != InfoRequest::None) {
        const QString text = request == InfoRequest::Help ? UsageText(CurrentExecutablePath()) : VersionText();
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication qtApp(argc, argv);
    CKestraExtApp app;
    app.m_lpCmdLine = QApplication::arguments().mid(1);
    // The password has been read: other users must not find it in the process list.
    HideSecretArguments(argc, argv);

    const bool started = app.InitInstance();
    int loopResult = 0;
    if (started) {
        CloseOnTerminationSignals(app.m_pMainWnd);
        loopResult = QApplication::exec();
    }

    // The main window goes first (closing it has written its settings), then shut-down runs.
    delete app.m_pMainWnd;
    app.m_pMainWnd = nullptr;
    const int exitResult = app.ExitInstance();

    // A start-up that failed ends the process with 1, so that scripts can tell.
    if (!started)
        return 1;
    return loopResult != 0 ? loopResult : exitResult;
}
