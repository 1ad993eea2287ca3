// The libFuzzer entry point of one target, chosen when it is built (KESTRA_FUZZ_TARGET).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return KESTRA_FUZZ_TARGET(data, size);
}
