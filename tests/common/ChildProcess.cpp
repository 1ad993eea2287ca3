#include "ChildProcess.h"
#include "WaitFor.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

ChildProcess::~ChildProcess() {
    if (running())
        signalAndWait(SIGKILL, 10000);
    closeInput();
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, const QString& stderrFile) {
    closeInput(); // of a child started before
    // A write to a child that has gone fails instead of ending the test.
    std::signal(SIGPIPE, SIG_IGN);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const QByteArray path = program.toLocal8Bit();
    const QByteArray errPath = stderrFile.toLocal8Bit();
    std::vector<QByteArray> storage{path};
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.constData(), O_WRONLY | O_APPEND | O_CREAT,
                                     0600);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    if (rc != 0) {
        ::close(pipeFds[1]);
        return false;
    }
    m_pid = pid;
    m_input = pipeFds[1];
    m_ended = false;
    m_exitCode = -1;
    return true;
}

bool ChildProcess::running() {
    if (m_ended)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == 0)
        return true;
    m_ended = true;
    m_exitCode = r == m_pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

bool ChildProcess::waitExit(int timeoutMs) {
    // No way to wait on a child with a time limit but to look again.
    return WaitFor([this] { return !running(); }, timeoutMs);
}

bool ChildProcess::signalAndWait(int signal, int timeoutMs) {
    if (!running())
        return true;
    ::kill(m_pid, signal);
    return waitExit(timeoutMs);
}

bool ChildProcess::write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (m_input >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_input, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return m_input >= 0;
}

void ChildProcess::closeInput() {
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}
