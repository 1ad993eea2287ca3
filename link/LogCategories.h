// The log categories: the switches of the service that decide which kinds of messages it sends, as the
// category words mirror them. One table holds, for each category, its word, its switch index and its bit
// in the service's switch mask; the worker's connect step, the toggle rule and the update rule are all
// driven by it. (Which command shows which category is the window's business.)
#pragma once

#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"

#include <cstdint>
#include <optional>
#include <span>

enum class LogCategoryId {
    RecipeReport,
    FieldRead,
    FieldWrite,
    Trace,
    Dde,
    TcpIp,
    Display,
    Logon,
    ProtocolAnalyzer,
    DateTimeStamp,
    Database,
    OpcDa,
    OpcXmlDa,
    OpcUa,
    OpcNet,
};

enum class CategoryKind {
    Simple,   // a click flips the value and queues a switch change
    Stamp,    // the service's date/time stamping: no switch index, sent by DateTimeStampSet
    OpcKind,  // an OPC kind's switch: changed through its settings dialog, not by a click
};

struct LogCategory {
    LogCategoryId id;
    CategoryKind kind;
    KestraWord& (*field)(CategoryWords&);
    int32_t switchIndex; // -1 for the date/time stamp
    int maskBit;         // bit of the switch mask (switch.get 0xFFFF)

    const KestraWord& Word(const CategoryWords& words) const { return field(const_cast<CategoryWords&>(words)); }
};

// Every category, in the order the connect step queries them one by one when the service offers no mask.
std::span<const LogCategory> LogCategories();
const LogCategory& Category(LogCategoryId id);

// Reads every value from the service on the active link: from the bit mask when the service offers one,
// else one query each; on a slow link without a mask the values are kept.
void ReadCategoryValues(CategoryWords& words, bool slowConnection);

// A click on a simple category: ignored while disconnected (and for the other kinds); otherwise the word
// becomes 1 if it was 0, else 0, and the change is queued for the worker.
void ToggleCategory(CategoryWords& words, WorkerChannel& channel, LogCategoryId id);
// A click on "Insert date/time": ignored while disconnected; otherwise the stamp setting is negated and
// marked for the worker to send.
void ToggleDateTimeStamp(CategoryWords& words, WorkerChannel& channel);
// Sets a category to `value` and hands the change to the worker, whatever the link state (the worker
// sends it once connected): a switch change for the simple and OPC categories, the stamp through its flag.
void RequestCategory(CategoryWords& words, WorkerChannel& channel, LogCategoryId id, int32_t value);

// What a menu item shows: enabled while connected, with the field's value as its check state; while
// disconnected it is disabled and its check state is left as it was (no value).
struct CommandState {
    bool enabled = false;
    std::optional<int> check;
};
CommandState CategoryUpdateState(const CategoryWords& words, const WorkerChannel& channel, LogCategoryId id);
