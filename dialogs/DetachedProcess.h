// Starting a program detached: it is not this process's child (no zombie is left when it ends), it gets
// this process's environment with some entries added and this process's current folder, and a failed
// start is told with the system's error code.
#pragma once

#include <QStringList>

// Starts `arguments[0]` (a path) with the other entries as its arguments. `environment` entries
// ("NAME=value") are added to this process's environment, replacing entries of the same name. Returns 0
// and sets `pid`, or returns the errno of the failed start (for example ENOENT or EACCES).
int StartDetached(const QStringList& arguments, const QStringList& environment, qint64* pid);
