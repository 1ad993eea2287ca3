// A word: one 32-bit integer that one thread writes and another reads without a lock.
#pragma once

#include <atomic>
#include <cstdint>

using KestraWord = std::atomic<int32_t>;

static_assert(sizeof(KestraWord) == 4, "shared words are single 32-bit integers");
static_assert(KestraWord::is_always_lock_free, "shared words need no lock");
