// The follower's dealings with its terminal and its output: stop signals, writes that never hold the
// program when the reader has gone, and a prompt that does not echo.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <csignal>
#include <cstdint>

namespace follow {

// Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the follower to end; each one counts up the stop word and
// wakes a pending write or prompt. SIGPIPE is ignored: a write to a closed pipe fails with EPIPE instead.
// The handlers are process-wide, as signals are; installed once, at the start of main.
void InstallStopSignals();
// While it lives, the calling thread leaves the stop signals to the other threads, and every thread it
// starts meanwhile leaves them for good (a thread inherits the blocked set of the one that starts it).
class StopSignalsBlocked {
public:
    StopSignalsBlocked();
    ~StopSignalsBlocked();
    StopSignalsBlocked(const StopSignalsBlocked&) = delete;
    StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

private:
    sigset_t m_previous;
};

// Zero until the first stop signal; then the number of stop signals so far. Registered with the toolkit
// as a thread's cancel word, it also interrupts that thread's toolkit calls.
const std::atomic<int32_t>& StopWord();

enum class WriteResult {
    Written,  // everything was written
    Closed,   // the reader has gone (EPIPE, a hung-up terminal) or the output failed
    Stopped,  // the output did not take more, and a stop signal came after the write began
    Stalled,  // the output did not take more for `stallMs`
};

// Writes all of `bytes` to `fd`, waiting until the output takes more rather than blocking in a write (a
// slice of at most 4096 bytes never blocks on a pipe that is ready), so that a stop signal ends the wait.
// `stallMs` < 0 waits as long as the output takes nothing.
WriteResult WriteAll(int fd, QByteArrayView bytes, int stallMs = -1);

// True when nobody reads `fd` any more: a pipe whose reader has ended, a terminal that hung up.
bool OutputClosed(int fd);

enum class PromptResult { Answered, NoTerminal, Stopped };

// Asks on the process's terminal (/dev/tty, whatever standard input and output are) and reads one line;
// with `echo` false the typed text is not shown. The terminal's settings are restored in every case.
PromptResult AskTerminal(const QString& prompt, bool echo, QString* answer);

} // namespace follow
