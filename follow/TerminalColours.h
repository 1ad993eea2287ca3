// The highlight rules on a terminal: a line with the rules' colours as ANSI escape sequences, and when to
// colour at all.
#pragma once

#include "follow/FollowOptions.h"
#include "highlight/Highlighter.h"

#include <QString>

namespace follow {

// True when text written to `fd` is to be coloured: always or never as asked; in auto mode only when
// `fd` is a terminal that is not "dumb" and NO_COLOR is not set (to anything but the empty text).
bool UseColour(ColourMode mode, int fd);

// Whether the terminal takes 24-bit colours (COLORTERM says truecolor or 24bit); otherwise the nearest of
// its 256.
bool TrueColourTerminal();

// The text (lines ended by LF, no CR) with each line's spans in colour; uncoloured lines stay as they are.
QString Colourise(const QString& text, const highlight::Highlighter& rules, bool trueColour);

} // namespace follow
