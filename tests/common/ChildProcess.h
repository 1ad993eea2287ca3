// Test helper: one child program started with posix_spawn, its standard input a pipe from the test,
// standard output discarded and standard error appended to a file. The spawning child only runs the C
// library's own code until the program starts, so a thread sanitizer watching the test sees nothing of it
// (a child that shares the test's memory and runs intercepted calls there would corrupt its view of the
// test's threads).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess(); // kills a child still running

    // False when the program could not be started.
    bool start(const QString& program, const QStringList& arguments, const QString& stderrFile);
    bool running();
    pid_t pid() const { return m_pid; }
    // Sends `signal` and waits up to `timeoutMs` for the exit; true once the child has ended.
    bool signalAndWait(int signal, int timeoutMs);
    // Waits up to `timeoutMs` for the exit; true once the child has ended.
    bool waitExit(int timeoutMs);
    // Writes all of `bytes` to the child's standard input; false when it has gone.
    bool write(const QByteArray& bytes);
    void closeInput();
    // The exit code of a child that ended normally, -1 otherwise.
    int exitCode() const { return m_exitCode; }

private:
    pid_t m_pid = 0;
    int m_input = -1;
    bool m_ended = true;
    int m_exitCode = -1;
};
