// The OPC log settings without the dialog: the verbosity list, which caption each OPC kind shows, the
// values the dialog reads from the service, and the six changes an OK queues for the connection worker.
#pragma once

#include "res/Ids.h"

#include <cstdint>
#include <functional>

#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"

// The verbosity list, in list order: the string id of each entry and the level it stands for.
struct VerbosityEntry {
    int stringId;
    int32_t level;
};
inline constexpr VerbosityEntry kVerbosityEntries[] = {
    {ids::IDS_VERBOSITY_ERROR, 0}, {ids::IDS_VERBOSITY_WARNING, 1}, {ids::IDS_VERBOSITY_INFORMATION, 2}};
inline constexpr int32_t kVerbosityUnset = -1; // shown as Information

// The list position that shows `level`: Information for an unset level, 0 (Error) for a level the list
// does not have.
int VerbosityPosition(int32_t level);
// The level of a list position (0 for a position outside the list).
int32_t VerbosityLevel(int position);

// The caption's string id for an OPC kind (OPC XML/DA, UA, .Net); 0 for any other kind, which keeps the
// template's caption.
int OpcCaptionStringId(int32_t kind);

// How the dialog reads the service's values: the kind's switch and its parameters 0-4.
struct OpcReads {
    std::function<int32_t(int32_t kind)> switchGet;
    std::function<int32_t(int32_t kind, int32_t param)> paramGet;
};
// The station's values as the connection worker last read them on its own link, so that a station that
// stops answering cannot hold the window; before the worker has read a kind, the kind's record (what the
// last OK wrote, or the defaults).
OpcReads StationOpcReads(const WorkerChannel& channel, const CategoryWords& words);

// Queues what an OK wrote into `record`, in one step: the kind's switch change, then parameters 0
// (connection), 1 (subscription), 2 (read), 3 (write) and 4 (verbosity), each cut to its low 16 bits.
void QueueOpcRecord(WorkerChannel& channel, int32_t kind, const OpcLogSettings& record);
