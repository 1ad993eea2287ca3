// The waiting limits of the link-opening operations, with an override that only tests use.
#pragma once

#include <cstdint>

namespace mirabo {

// MIRABO_OPEN_TIMEOUT_MS and MIRABO_LOGON_CHECK_TIMEOUT_MS, unless a test shortened them.
int32_t openTimeoutMs();
int32_t logonCheckTimeoutMs();

// For tests: replaces both limits (process-wide); 0 restores the named constant.
void setOpenLimitsForTest(int32_t openMs, int32_t logonCheckMs);

} // namespace mirabo
