// Waiting on sockets without ever blocking past a deadline or a stop request.
//
// Every wait of the toolkit runs in slices of at most kSliceMs. Between slices it looks at the calling
// thread's cancel word (ToolkitSetCancelWord) and at the abort word of the link it works for, so a
// stop request or a LinkClose from another thread ends it promptly.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace mirabo {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

constexpr int kSliceMs = 50;

// How a wait or a transfer ended.
enum class Io {
    Ok,
    Timeout,    // the deadline passed
    Cancelled,  // the thread's cancel word or the link's abort word became non-zero
    Closed,     // the peer ended the stream
    Refused,    // connection refused (also: a proxy that refused the tunnel)
    Unresolved, // the host name could not be resolved
    TooLong,    // a line longer than the receiver accepts
    Error,      // any other failure
};

Deadline deadlineIn(int32_t milliseconds);

// The calling thread's cancel word (nullptr when none is registered).
void setThreadCancelWord(const std::atomic<int32_t>* word);
// Nests ToolkitInit/ToolkitExit per thread; leaving the outermost level forgets the cancel word.
void enterThread();
void leaveThread();

// True when the thread's cancel word or `abortWord` (may be nullptr) is non-zero.
bool stopRequested(const std::atomic<int32_t>* abortWord);

// Milliseconds to wait in the next slice: at most kSliceMs, 0 when the deadline has passed.
int nextSliceMs(Deadline deadline);

// Waits until `fd` shows one of `events` (poll semantics). Ok, Timeout, Cancelled or Error.
Io waitFd(int fd, short events, Deadline deadline, const std::atomic<int32_t>* abortWord);

} // namespace mirabo
