// Whether each received chunk is also appended to a file, and to which: read at start-up, changed by the
// Save On Disk dialog, written when the window closes; used on the window thread only.
#pragma once

#include "state/Word.h"

#include <QString>

constexpr int kLogOnDiskDisabled = 0;
constexpr int kLogOnDiskDaily = 1;  // one file per local day, YYMMDD.log in the log folder
constexpr int kLogOnDiskCustom = 2; // the named file (relative names lie in the log folder)

// The longest custom file name that start-up reads back ("FileName" is read into 260 characters with
// the terminator); the Save On Disk dialog accepts no longer one.
constexpr int kMaxLogFileNameLength = 259;

struct LogOnDiskChoice {
    KestraWord m_nLogOnDiskType{kLogOnDiskDisabled}; // any other value than the three writes nothing
    QString m_strLogOnDiskFile;                      // kept and saved whatever the type
};
