// The application object: the one object of the process that holds the shared state, the connection
// options, the worker thread and the language module, and runs start-up and shut-down. It builds the
// log window and hands it the shared state; nothing below it knows the application object.
#pragma once

#include "link/KestraShared.h"
#include "logview/logic/LogOnDisk.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <thread>

namespace res {
class ResourceModule;
}
class CMainFrame;
struct StartupHooks;

class CKestraExtApp : public CKestraExtShared {
public:
    CKestraExtApp();
    ~CKestraExtApp();

    // Connection options: section "Options" of m_strExeIniPath, then the command line.
    void ReadOptions();
    void ReadCommandLine();

    // The command-line text (arguments only); std::nullopt means "no command line at all".
    std::optional<QString> m_lpCmdLine;

    // The program's arguments (without the program name) joined into the command-line text, one token
    // per argument (app/core/CommandLine.h).
    static QString CommandLineFromArguments(const QStringList& arguments);

    // Start-up and shut-down.
    bool InitInstance();
    int ExitInstance();
    bool StartWorker();
    void StopWorker();
    // Shut-down, once the worker has ended: received text no tick took goes to the log file.
    void WriteReceivedText();

    std::unique_ptr<std::thread> m_pWorkerThread;
    const res::ResourceModule* m_hResourceModule = nullptr;
    CMainFrame* m_pMainWnd = nullptr;
    QString m_strExeFolder;  // ends in '/'
    QString m_strUserFolder; // per-user settings folder, ends in '/'
    // The log-on-disk writer of the log view; it outlives the window, so that shut-down can still write.
    viewlogic::LogOnDiskWriter m_logWriter;
    // Replacements for the program file, the clock, the thread start and the modal boxes of start-up,
    // used by tests (app/StartupHooks.h); null in the program.
    const StartupHooks* m_pStartupHooks = nullptr;
};
