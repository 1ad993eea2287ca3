// The database-inspection tool's launcher (command 61207). When the tool started from here still shows
// its window, that window comes to the front; otherwise "HalcyteExt" is started from this program's
// folder, pointed at this program's station, and the title of the window it shows is recorded.
#pragma once

#include "state/ConnectionOptions.h"

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

// The tool's command line: the quoted full path of the tool in the folder of `exePath` (everything before
// its last '/'; all of it when there is none), then "/dsip:" with `host` trimmed of white space, then
// "/dsport:" with `port`. Everything after the path is upper-cased; the path keeps its case (a file
// system that tells cases apart would find no tool otherwise).
QString HalcyteCommandLine(const QString& exePath, const QString& toolFile, const QString& host, int32_t port);

class CHalcyteLauncher {
public:
    enum class Outcome { BroughtForward, Started, Failed };
    static constexpr int kTitleWaitMs = 2000;

    CHalcyteLauncher(const ConnectionOptions& options, QString exePath, QWidget* parent);

    Outcome OnLaunchHalcyte();

    QString m_strHalcyteTitle;           // the title of the tool's window, recorded after a start
    int m_nTitleWaitMs = kTitleWaitMs;    // how long a start waits for the tool's titled window
    qint64 m_nStartedPid = 0;             // the process of the latest start
    std::function<void(const QString&)> m_showMessage; // a failed start; default: a message box

private:
    const ConnectionOptions& m_options;
    QString m_exePath;
    QWidget* m_parent;
};
