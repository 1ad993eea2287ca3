// SIGTERM and SIGINT end Kestra the way closing its window does: the window writes its settings, the
// worker stops and shut-down keeps what it must, instead of the process vanishing mid-way.
#pragma once

class QWidget;

// From now on a SIGTERM or SIGINT asks `window` to close (once; a second signal ends the process at once).
void CloseOnTerminationSignals(QWidget* window);
