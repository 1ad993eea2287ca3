#include "logview/LogMenuHandlers.h"

#include "link/KestraShared.h"
#include "link/LogCategories.h"
#include "logview/MainFrame.h"
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
    using namespace ids;
    for (const SimpleCategory& category : SimpleCategories()) {
        const int id = category.commandId;
        frame.SetCommandHandler(id, [&shared, id] { ToggleCategory(shared, id); });
        frame.SetUpdateHandler(id, [&shared, id](QAction* action) { ShowState(action, CategoryUpdateState(shared, id)); });
    }
    frame.SetCommandHandler(ID_OPTIONS_INSERT_DATETIME, [&shared] { ToggleDateTimeStamp(shared); });
    frame.SetUpdateHandler(ID_OPTIONS_INSERT_DATETIME, [&shared](QAction* action) {
        ShowState(action, CategoryUpdateState(shared, ID_OPTIONS_INSERT_DATETIME));
    });

    // OPC XML/DA, OPC UA, OPC .Net and Tags...: their dialogs come later; until then they do nothing and
    // follow the link state.
    const struct {
        int id;
        KestraWord* check;
    } opcAndTags[] = {{ID_LOG_OPC_XMLDA, &shared.m_opcXmlDa.enabled},
                      {ID_LOG_OPC_UA, &shared.m_opcUa.enabled},
                      {ID_LOG_OPC_NET, &shared.m_opcNet.enabled},
                      {ID_LOG_TAGS, nullptr}};
    for (const auto& item : opcAndTags) {
        KestraWord* check = item.check;
        frame.SetCommandHandler(item.id, [] {});
        frame.SetUpdateHandler(item.id, [&shared, check](QAction* action) {
            const bool connected = shared.m_bConnected.load() != 0;
            action->setEnabled(connected);
            if (connected && check && action->isCheckable())
                action->setChecked(check->load() != 0);
        });
    }
}
