// The log-category switches as the Log and Options menus show and change them, without any widget:
// which command toggles which field and switch index, what a click does, and what the menu item shows.
#pragma once

#include "link/KestraShared.h"

#include <cstdint>
#include <optional>
#include <span>

// A category with a field of its own and a switch index (the OPC kinds and the tag list have dialogs).
struct SimpleCategory {
    int commandId;
    KestraWord CKestraExtShared::*field;
    uint32_t switchIndex;
};

// The eleven simple categories in Log-menu order.
std::span<const SimpleCategory> SimpleCategories();
// The entry of a command id; nullptr for any other command.
const SimpleCategory* FindSimpleCategory(int commandId);
bool IsSimpleCategory(int commandId);

// A click on a simple category: ignored while disconnected; otherwise the field becomes 1 if it was 0,
// else 0, and the change is queued for the service.
void ToggleCategory(CKestraExtShared& app, int commandId);
// A click on "Insert date/time": ignored while disconnected; otherwise the stamp setting is negated and
// marked for the worker to send.
void ToggleDateTimeStamp(CKestraExtShared& app);

// What a menu item shows: enabled while connected, with the field's value as its check state; while
// disconnected it is disabled and its check state is left as it was (no value).
struct CommandState {
    bool enabled = false;
    std::optional<int> check;
};
// For the simple categories and ids::ID_OPTIONS_INSERT_DATETIME; any other id gives a disabled state.
CommandState CategoryUpdateState(const CKestraExtShared& app, int commandId);
