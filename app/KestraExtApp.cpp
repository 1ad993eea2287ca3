#include "app/KestraExtApp.h"

#include "app/core/CommandLine.h"
#include "logview/LogWindow.h"

// Every member starts from its default initialiser (see the parts' declarations): host "localhost",
// port 1234, time-out 60000 ms, maximum text length 16000, OPC verbosity 2, everything else zero or
// empty.
CKestraExtApp::CKestraExtApp() = default;

CKestraExtApp::~CKestraExtApp() {
    // Normally StopWorker has ended the worker already. Should a path have skipped it, stop and join
    // here: destroying a running std::thread would end the process.
    if (m_pWorkerThread && m_pWorkerThread->joinable()) {
        m_channel.RequestWorkerStop();
        m_pWorkerThread->join();
    }
}

void CKestraExtApp::ReadOptions() { ReadConnectionOptions(m_options, m_paths.m_strExeIniPath); }

void CKestraExtApp::ReadCommandLine() {
    if (m_lpCmdLine)
        ApplyArguments(m_options, *m_lpCmdLine);
}

LogWindowParts CKestraExtApp::Window() {
    return LogWindowParts{m_options, m_paths, m_categories, m_channel, m_window, m_logOnDisk, m_pipeline};
}
