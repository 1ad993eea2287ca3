// What the log window keeps of its own, on the window thread: keep-on-top, and whether start-up is still
// going on (the window then takes no text).
#pragma once

#include "state/Word.h"

struct WindowState {
    KestraWord m_bAlwaysOnTop{0}; // read at start-up, written at shut-down
    KestraWord m_bStarting{0};    // 1 from the first step of start-up until it has succeeded
};
