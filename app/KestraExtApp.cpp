#include "app/KestraExtApp.h"

#include "app/core/CommandLine.h"

// Every member starts from its default initialiser (see the shared state's declaration): host
// "localhost", port 1234, time-out 60000 ms, maximum text length 16000, OPC verbosity 2, everything
// else zero or empty.
CKestraExtApp::CKestraExtApp() = default;

CKestraExtApp::~CKestraExtApp() {
    // Normally StopWorker has ended the worker already. Should a path have skipped it, stop and join
    // here: destroying a running std::thread would end the process.
    if (m_pWorkerThread && m_pWorkerThread->joinable()) {
        RequestWorkerStop();
        m_pWorkerThread->join();
    }
}

void CKestraExtApp::ReadOptions() { ReadConnectionOptions(*this, m_strExeIniPath); }

void CKestraExtApp::ReadCommandLine() {
    if (m_lpCmdLine)
        ApplyCommandLine(*this, *m_lpCmdLine);
}

QString CKestraExtApp::CommandLineFromArguments(const QStringList& arguments) {
    return ::CommandLineFromArguments(arguments);
}
