#include "logview/LogMenuHandlers.h"

#include "link/KestraShared.h"
#include "logview/MainFrame.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"

#include <QAction>

namespace {

void ShowState(QAction* action, const CommandState& state) {
    action->setEnabled(state.enabled);
    if (state.check && action->isCheckable())
        action->setChecked(*state.check != 0); // any non-zero service value shows a check mark
}

} // namespace

void WireLogMenu(CMainFrame& frame, CKestraExtShared& shared) {
    for (const auto& [id, category] : viewlogic::CategoryCommands()) {
        if (Category(category).kind == CategoryKind::OpcKind) {
            // The OPC kinds open their settings dialog, which lives above the log window.
            frame.SetCommandHandler(id, [] {});
            frame.SetUpdateHandler(id, [&shared, category](QAction* action) {
                const bool connected = shared.m_bConnected.load() != 0;
                action->setEnabled(connected);
                if (connected && action->isCheckable())
                    action->setChecked(Category(category).field(shared).load() != 0);
            });
            continue;
        }
        frame.SetCommandHandler(id, [&shared, id] { viewlogic::ToggleCategory(shared, id); });
        frame.SetUpdateHandler(id, [&shared, id](QAction* action) {
            ShowState(action, viewlogic::CategoryUpdateState(shared, id));
        });
    }
    frame.SetCommandHandler(ids::ID_LOG_TAGS, [] {});
    frame.SetUpdateHandler(ids::ID_LOG_TAGS,
                           [&shared](QAction* action) { action->setEnabled(shared.m_bConnected.load() != 0); });
}
