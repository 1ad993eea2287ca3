#include "follow/Terminal.h"

#include "base/SignalPipe.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

namespace follow {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The stop signals count up the signal pipe's word and make its read end readable, which wakes a poll.
const std::atomic<int32_t>& g_stopWord = base::SignalCount();

void DrainWakePipe() {
    while (base::TakeSignal() != 0) {
    }
}

// Waits until `fd` is ready for `events`, the stop word differs from `stopSince` (a stop signal came) or
// `timeoutMs` passes. Returns the revents of `fd` (0 on a stop or a time-out).
short WaitFor(int fd, short events, int32_t stopSince, int timeoutMs, bool* stopped) {
    *stopped = false;
    for (;;) {
        const int wake = base::SignalPipeReadFd();
        pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
        const int n = ::poll(fds, wake >= 0 ? 2 : 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return POLLERR;
        if (fds[1].revents & POLLIN)
            DrainWakePipe();
        if (fds[0].revents != 0)
            return fds[0].revents;
        if (g_stopWord.load() != stopSince) {
            *stopped = true;
            return 0;
        }
        if (n == 0)
            return 0;
    }
}

} // namespace

void InstallStopSignals() {
    for (const int sig : kStopSignals)
        base::InstallSignalPipe({sig});
}

StopSignalsBlocked::StopSignalsBlocked() {
    sigset_t stops;
    sigemptyset(&stops);
    for (const int sig : kStopSignals)
        sigaddset(&stops, sig);
    pthread_sigmask(SIG_BLOCK, &stops, &m_previous);
}

StopSignalsBlocked::~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

const std::atomic<int32_t>& StopWord() { return g_stopWord; }

WriteResult WriteAll(int fd, QByteArrayView bytes, int stallMs) {
    constexpr qsizetype kSlice = 4096; // PIPE_BUF: a ready pipe takes it without blocking
    const int32_t stopSince = g_stopWord.load();
    while (!bytes.isEmpty()) {
        bool stopped = false;
        const short revents = WaitFor(fd, POLLOUT, stopSince, stallMs, &stopped);
        if (stopped)
            return WriteResult::Stopped;
        if (revents == 0)
            return WriteResult::Stalled;
        if (revents & (POLLERR | POLLHUP | POLLNVAL))
            return WriteResult::Closed;
        const ssize_t n = ::write(fd, bytes.data(), static_cast<size_t>(std::min(bytes.size(), kSlice)));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return WriteResult::Closed;
        bytes = bytes.sliced(n);
    }
    return WriteResult::Written;
}

bool OutputClosed(int fd) {
    pollfd p{fd, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

PromptResult AskTerminal(const QString& prompt, bool echo, QString* answer) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0)
        return PromptResult::NoTerminal;
    termios saved{};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    if (isTerminal && !echo) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL; // the Enter still moves to the next line
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    WriteAll(tty, prompt.toUtf8());

    QByteArray line;
    PromptResult result = PromptResult::Answered;
    for (;;) {
        bool stopped = false;
        WaitFor(tty, POLLIN, 0, -1, &stopped);
        if (stopped || g_stopWord.load() != 0) {
            result = PromptResult::Stopped;
            break;
        }
        char c = 0;
        const ssize_t n = ::read(tty, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0 || c == '\n')
            break;
        line += c;
    }
    if (isTerminal && !echo)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    if (result == PromptResult::Stopped)
        WriteAll(tty, "\n");
    ::close(tty);
    if (line.endsWith('\r'))
        line.chop(1);
    *answer = QString::fromUtf8(line);
    return result;
}

} // namespace follow
