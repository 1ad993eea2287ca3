// The application object: the one object of the process. It holds the program's state in parts that say
// what they are (settings paths, connection options, the mirrored log switches, the worker's channel,
// the window's own state, the log-on-disk choice), the received-text pipeline, the worker thread and the
// language module, and runs start-up and shut-down. It builds the log window, hands it the parts it
// shows and the option dialogs and tools its commands open; nothing below it knows the application
// object.
#pragma once

#include "link/Worker.h"
#include "link/WorkerChannel.h"
#include "pipeline/ReceivedTextPipeline.h"
#include "state/CategoryWords.h"
#include "state/ConnectionOptions.h"
#include "state/LogOnDiskChoice.h"
#include "state/SettingsPaths.h"
#include "state/WindowState.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <thread>

namespace res {
class ResourceModule;
}
class CMainFrame;
class CProgressWnd;
struct LogWindowParts;
struct StartupHooks;

class CKestraExtApp {
public:
    CKestraExtApp();
    ~CKestraExtApp();
    CKestraExtApp(const CKestraExtApp&) = delete;
    CKestraExtApp& operator=(const CKestraExtApp&) = delete;

    // Connection options: section "Options" of m_strExeIniPath, then the command line.
    void ReadOptions();
    void ReadCommandLine();

    // The program's arguments, without the program name; std::nullopt means "no command line at all".
    std::optional<QStringList> m_lpCmdLine;

    // Start-up and shut-down.
    bool InitInstance();
    int ExitInstance();
    bool StartWorker();
    void StopWorker();
    // Shut-down, once the worker has ended: received text no tick took goes to the log file.
    void WriteReceivedText();

    // What the worker and the window work on.
    WorkerParts Worker() { return WorkerParts{m_options, m_paths.m_strExeIniPath, m_categories, m_channel}; }
    LogWindowParts Window();

    SettingsPaths m_paths;
    ConnectionOptions m_options;
    CategoryWords m_categories;
    WorkerChannel m_channel;
    WindowState m_window;
    LogOnDiskChoice m_logOnDisk;
    // The road of received text; it outlives the window, so that shut-down can still write.
    pipeline::ReceivedTextPipeline m_pipeline{m_channel, m_logOnDisk};

    std::unique_ptr<std::thread> m_pWorkerThread;
    const res::ResourceModule* m_hResourceModule = nullptr;
    CMainFrame* m_pMainWnd = nullptr;
    QString m_strExeFolder;  // ends in '/'
    QString m_strUserFolder; // per-user settings folder, ends in '/'
    QString m_strRulesProblems; // what of the highlight rules file could not be read, for the user
    // Replacements for the program file, the clock, the thread start and the modal boxes of start-up,
    // used by tests (app/StartupHooks.h); null in the program.
    const StartupHooks* m_pStartupHooks = nullptr;
    // What the start-up's key check found out (docs/startup.md).
    MiraboStationKey m_stationKey;
    bool m_bKeyCheckTimedOut = false;
    // The refusal told while running, so that it is told once.
    QString m_strToldRefusal;

private:
    // The steps of start-up, in their order.
    void InitFolders(const QString& modulePath);
    void LoadLanguage(const QString& modulePath);
    bool CheckSingleInstance();
    void CreateMainWindow(const QString& modulePath);
    bool CheckStationKey();
    bool LogOn();
    // Before a password goes out: a station in clear beyond this machine is told about once.
    bool ClearPasswordAgreed();
    // Once running: a station refused for its key when the worker connects again is told.
    void WatchStationKey();
    void ApplyWindowSettings();
};
