#include "base/SignalPipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace base {

namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int32_t> g_count{0};
sigset_t g_once; // the signals whose handler goes back to the default when it fires

static_assert(std::atomic<int32_t>::is_always_lock_free, "the count is touched in a signal handler");

extern "C" void OnSignal(int signo) {
    const int savedErrno = errno;
    if (sigismember(&g_once, signo) == 1)
        std::signal(signo, SIG_DFL);
    g_count.fetch_add(1);
    const unsigned char byte = static_cast<unsigned char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1); // a full pipe is readable anyway
    errno = savedErrno;
}

} // namespace

bool InstallSignalPipe(std::initializer_list<int> signals, bool once) {
    if (g_pipe[0] < 0) {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            g_pipe[0] = g_pipe[1] = -1;
            return false;
        }
        sigemptyset(&g_once);
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // nothing else in the process has to expect EINTR
    for (const int signo : signals) {
        if (once)
            sigaddset(&g_once, signo);
        else
            sigdelset(&g_once, signo);
        ::sigaction(signo, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int SignalPipeReadFd() { return g_pipe[0]; }

int TakeSignal() {
    unsigned char byte = 0;
    return g_pipe[0] >= 0 && ::read(g_pipe[0], &byte, 1) == 1 ? byte : 0;
}

const std::atomic<int32_t>& SignalCount() { return g_count; }

void RestoreDefaultSignals(std::initializer_list<int> signals) {
    for (const int signo : signals)
        std::signal(signo, SIG_DFL);
}

SignalNotifier::SignalNotifier(QObject* parent) : QObject(parent) {
    if (SignalPipeReadFd() < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(SignalPipeReadFd(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        while (const int signo = TakeSignal())
            Q_EMIT signalled(signo);
    });
}

SignalNotifier::~SignalNotifier() = default;

} // namespace base
