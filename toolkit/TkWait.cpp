#include "toolkit/TkWait.h"

#include <poll.h>

#include <cerrno>

namespace mirabo {

namespace {
thread_local const std::atomic<int32_t>* t_cancelWord = nullptr;
thread_local int t_initDepth = 0;
} // namespace

Deadline deadlineIn(int32_t milliseconds) {
    return Clock::now() + std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds);
}

void setThreadCancelWord(const std::atomic<int32_t>* word) { t_cancelWord = word; }

void enterThread() { ++t_initDepth; }

void leaveThread() {
    if (t_initDepth > 0 && --t_initDepth == 0)
        t_cancelWord = nullptr;
}

bool stopRequested(const std::atomic<int32_t>* abortWord) {
    if (t_cancelWord && t_cancelWord->load(std::memory_order_relaxed) != 0)
        return true;
    return abortWord && abortWord->load(std::memory_order_relaxed) != 0;
}

int nextSliceMs(Deadline deadline) {
    // Rounded up: a last fraction of a millisecond is waited for in poll, not spun away.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
        return 0;
    return left < kSliceMs ? static_cast<int>(left) : kSliceMs;
}

Io waitFd(int fd, short events, Deadline deadline, const std::atomic<int32_t>* abortWord) {
    for (;;) {
        if (stopRequested(abortWord))
            return Io::Cancelled;
        const int slice = nextSliceMs(deadline);
        if (slice == 0 && Clock::now() >= deadline)
            return Io::Timeout;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, slice);
        if (n > 0)
            return Io::Ok; // the caller finds out by reading or writing whether it was an error
        if (n < 0 && errno != EINTR)
            return Io::Error;
    }
}

} // namespace mirabo
