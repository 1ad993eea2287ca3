// Signals delivered through a self-pipe: the handler only counts the signal and writes its number into
// a pipe, both safe inside a signal handler; whoever waits (an event loop, a poll) reads the pipe.
// Signal handling is process-wide, so there is one pipe for the whole program.
#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace base {

// Installs the handler for `signals` (calls add to the set; the pipe is made once). With `once`, a
// signal's own handler goes back to the default when it fires, so a second signal of that kind ends the
// process as it would have without the handler. SIGPIPE is ignored from then on: a write to a closed
// pipe fails with EPIPE instead. False when no pipe could be made.
bool InstallSignalPipe(std::initializer_list<int> signals, bool once = false);
// The read end, readable once a signal came (-1 before the pipe exists).
int SignalPipeReadFd();
// The number of the next signal that came, or 0 when none is waiting.
int TakeSignal();
// How many of the handled signals came so far (never counts down).
const std::atomic<int32_t>& SignalCount();
// Puts `signals` back to their default handling.
void RestoreDefaultSignals(std::initializer_list<int> signals);

// The pipe in an event loop: `signalled` for each signal that came.
class SignalNotifier : public QObject {
    Q_OBJECT
public:
    explicit SignalNotifier(QObject* parent = nullptr);
    ~SignalNotifier() override;
    bool ok() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void signalled(int signo);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace base
