#include "toolkit/TkLimits.h"

#include "toolkit/MiraboToolkit.h"

#include <atomic>

namespace mirabo {

namespace {
std::atomic<int32_t> g_openMs{0};
std::atomic<int32_t> g_logonCheckMs{0};
} // namespace

int32_t openTimeoutMs() {
    const int32_t ms = g_openMs.load();
    return ms > 0 ? ms : MIRABO_OPEN_TIMEOUT_MS;
}

int32_t logonCheckTimeoutMs() {
    const int32_t ms = g_logonCheckMs.load();
    return ms > 0 ? ms : MIRABO_LOGON_CHECK_TIMEOUT_MS;
}

void setOpenLimitsForTest(int32_t openMs, int32_t logonCheckMs) {
    g_openMs.store(openMs);
    g_logonCheckMs.store(logonCheckMs);
}

} // namespace mirabo
