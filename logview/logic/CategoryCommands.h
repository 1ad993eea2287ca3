// Which menu command shows which log category: the Log menu's switches and Options > Insert date/time,
// mapped onto the category table of the link layer. Command ids live here, in the window layer.
#pragma once

#include "link/LogCategories.h"

#include <optional>
#include <span>
#include <utility>

namespace viewlogic {

// Every (command id, category) pair, in Log-menu order, then Insert date/time.
std::span<const std::pair<int, LogCategoryId>> CategoryCommands();

// The category a command shows; std::nullopt for any other command (Tags..., the text commands, ...).
std::optional<LogCategoryId> CategoryOfCommand(int commandId);

// True for the commands a click toggles at once (the simple categories); false for the OPC kinds, which
// open a dialog, for Insert date/time, and for everything else.
bool IsSimpleCategory(int commandId);

// Commands whose menu item shows a check mark: every category, Pause and Always On Top.
bool IsCheckableCommand(int commandId);

// The OPC kind a command opens the settings dialog of (11, 12, 13); 0 for any other command.
int32_t OpcKindOfCommand(int commandId);

// The toggle and update rules by command id (see link/LogCategories.h). Any command other than a simple
// category or Insert date/time toggles nothing and shows a disabled state.
void ToggleCategory(CategoryWords& words, WorkerChannel& channel, int commandId);
CommandState CategoryUpdateState(const CategoryWords& words, const WorkerChannel& channel, int commandId);

} // namespace viewlogic
