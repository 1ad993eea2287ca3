// Small helpers shared by the toolkit tests.
#pragma once

#include "common/WaitFor.h"
#include "toolkit/MiraboToolkit.h"
#include "toolkit/TkLimits.h"
#include "toolkit/TkState.h"

#include <chrono>

inline int32_t openLocal(int port, MiraboLink* link) {
    return LinkOpen(QStringLiteral("127.0.0.1"), port, QString(), 0, QStringLiteral("wtg-x"), 10, link);
}

inline int64_t msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// Brackets a test's use of the toolkit on the test thread. The toolkit keeps its state for the life of
// the process, and a test program runs many cases in one process, in any order: each case starts as a
// fresh process would, with no link, token, credentials, logon endpoint or read mark, and the standard
// open limits.
struct ToolkitScope {
    ToolkitScope() {
        mirabo::resetStateForTest();
        mirabo::setOpenLimitsForTest(0, 0);
        ToolkitInit();
    }
    ~ToolkitScope() { ToolkitExit(); }
};
