// Waiting in tests for a condition with a deadline, never for a fixed time: a test goes on as soon as
// what it waits for has happened, and a loaded machine only makes it wait longer, up to the deadline.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <chrono>
#include <thread>

// Long enough for any loaded or sanitized machine; a condition that holds costs none of it.
constexpr int kWaitForMs = 10000;

// Waits until `condition` holds, at most `timeoutMs`, looking again every few milliseconds and
// processing no event: for what other threads or processes bring about. The condition is looked at once
// more when the time is up.
template <typename Condition>
bool WaitFor(Condition&& condition, int timeoutMs = kWaitForMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The same, processing the calling thread's events meanwhile: for what the thread's own objects (sockets,
// timers, windows) bring about.
template <typename Condition>
bool WaitForEvents(Condition&& condition, int timeoutMs = kWaitForMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
