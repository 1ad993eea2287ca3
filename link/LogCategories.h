// The log categories: the switches of the service that decide which kinds of messages it sends, as the
// shared state mirrors them. One table holds, for each category, its field, its switch index, its bit in
// the service's switch mask and whether a menu shows it with a check mark; the worker's connect step, the
// toggle rule and the update rule are all driven by it. (Which command shows which category is the
// window's business.)
#pragma once

#include "link/KestraShared.h"

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
    KestraWord& (*field)(CKestraExtShared&);
    int32_t switchIndex; // -1 for the date/time stamp
    int maskBit;         // bit of the switch mask (switch.get 0xFFFF)
    bool checkable;      // shown with a check mark
};

// Every category, in the order the connect step queries them one by one when the service offers no mask.
std::span<const LogCategory> LogCategories();
const LogCategory& Category(LogCategoryId id);

// Reads every value from the service on the active link: from the bit mask when the service offers one,
// else one query each; in slow-connection mode without a mask the values are kept.
void ReadCategoryValues(CKestraExtShared& shared);

// A click on a simple category: ignored while disconnected (and for the other kinds); otherwise the field
// becomes 1 if it was 0, else 0, and the change is queued for the service.
void ToggleCategory(CKestraExtShared& shared, LogCategoryId id);
// A click on "Insert date/time": ignored while disconnected; otherwise the stamp setting is negated and
// marked for the worker to send.
void ToggleDateTimeStamp(CKestraExtShared& shared);

// What a menu item shows: enabled while connected, with the field's value as its check state; while
// disconnected it is disabled and its check state is left as it was (no value).
struct CommandState {
    bool enabled = false;
    std::optional<int> check;
};
CommandState CategoryUpdateState(const CKestraExtShared& shared, LogCategoryId id);
