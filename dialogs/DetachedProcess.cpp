#include "dialogs/DetachedProcess.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace {

std::vector<char*> Pointers(std::vector<QByteArray>& strings) {
    std::vector<char*> pointers;
    for (QByteArray& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

bool ReadAll(int fd, void* data, size_t size) {
    auto* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Only async-signal-safe calls from here on: this runs in a child of a threaded process.
[[noreturn]] void ExecOrReport(char** argv, char** envp, int errorFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::setsid();
    ::execve(argv[0], argv, envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t n = ::write(errorFd, &error, sizeof(error));
    ::_exit(127);
}

} // namespace

int StartDetached(const QStringList& arguments, const QStringList& environment, qint64* pid) {
    if (arguments.isEmpty())
        return ENOENT;
    // Everything the children need is made before the fork.
    std::vector<QByteArray> args;
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<QByteArray> env;
    QList<QByteArray> addedNames; // "NAME="
    for (const QString& entry : environment) {
        env.push_back(entry.toLocal8Bit());
        addedNames.append(env.back().left(env.back().indexOf('=') + 1));
    }
    for (char** e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        if (!addedNames.contains(entry.left(entry.indexOf('=') + 1)))
            env.push_back(entry);
    }
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int errorPipe[2];
    int pidPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0)
        return errno;
    if (::pipe2(pidPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(errorPipe[0]);
        ::close(errorPipe[1]);
        return error;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        // The intermediate child starts the program and ends at once, so the program is nobody's child.
        ::close(errorPipe[0]);
        ::close(pidPipe[0]);
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            ExecOrReport(argv.data(), envp.data(), errorPipe[1]);
        if (grandchild < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t n = ::write(errorPipe[1], &error, sizeof(error));
        } else {
            [[maybe_unused]] const ssize_t n = ::write(pidPipe[1], &grandchild, sizeof(grandchild));
        }
        ::_exit(0);
    }
    const int forkError = child < 0 ? errno : 0;
    ::close(errorPipe[1]);
    ::close(pidPipe[1]);
    int result = forkError;
    if (child > 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        pid_t started = -1;
        const bool havePid = ReadAll(pidPipe[0], &started, sizeof(started));
        int execError = 0;
        // The pipe closes at the exec (close-on-exec) or carries the error of a failed start.
        if (ReadAll(errorPipe[0], &execError, sizeof(execError)))
            result = execError;
        else if (!havePid)
            result = ECHILD;
        else if (pid)
            *pid = started;
    }
    ::close(errorPipe[0]);
    ::close(pidPipe[0]);
    return result;
}
