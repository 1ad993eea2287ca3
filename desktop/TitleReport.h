// How a program started by another tells its starter the title of its main window, once that title is
// registered in the title registry, so that the starter can later find the window by it.
//
// The starter listens on a socket of its own (in the title registry's folder, open to the user only) and
// passes the socket's name to the program it starts in the environment variable KESTRA_TITLE_REPORT.
// The started program sends its registered title there once, as one UTF-8 line.
#pragma once

#include <QString>

#include <memory>

class QLocalServer;
class TitleRegistry;

class TitleReportListener {
public:
    static constexpr char kVariable[] = "KESTRA_TITLE_REPORT";

    TitleReportListener();
    ~TitleReportListener();

    bool IsListening() const;
    // "KESTRA_TITLE_REPORT=<socket name>", for the started program's environment.
    QString EnvironmentEntry() const;
    // Waits at most `timeoutMs` for the started program's title; empty when none came in time.
    QString WaitForTitle(int timeoutMs);

private:
    std::unique_ptr<QLocalServer> m_server;
};

// In the started program: once `registry` has registered its window's title, sends that title to the
// starter named in the environment. The variable is removed at once, so that programs started from here
// do not inherit it. Does nothing when the variable is not set.
void ReportTitleToStarter(TitleRegistry* registry);
