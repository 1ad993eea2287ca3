#include "link/KestraShared.h"

static_assert(sizeof(KestraWord) == 4, "shared words are single 32-bit integers");
static_assert(KestraWord::is_always_lock_free, "shared words need no lock");
static_assert(PackChange(3, 0x12345) == 0x23450003u, "values keep their low 16 bits");
