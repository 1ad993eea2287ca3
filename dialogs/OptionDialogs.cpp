#include "dialogs/OptionDialogs.h"

#include "dialogs/HalcyteLauncher.h"
#include "dialogs/LogTags.h"
#include "dialogs/OpcLogConfigDlg.h"
#include "link/KestraShared.h"
#include "logview/MainFrame.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"
#include "toolkit/MiraboToolkit.h"

#include <QAction>

#include <memory>

namespace {

bool Connected(const CKestraExtShared& shared) { return shared.m_bConnected.load() != 0; }

} // namespace

void WireOptionDialogs(CMainFrame& frame, CKestraExtShared& shared, const QString& exePath) {
    const auto enabledWhileConnected = [&shared](QAction* action) { action->setEnabled(Connected(shared)); };

    frame.SetCommandHandler(ids::ID_LOG_TAGS, [&frame, &shared] {
        // The log view is the dialog's parent.
        RunLogTagsDialog(shared, frame.centralWidget() ? frame.centralWidget() : &frame);
    });
    frame.SetUpdateHandler(ids::ID_LOG_TAGS, enabledWhileConnected);

    for (const auto& [id, category] : viewlogic::CategoryCommands()) {
        if (Category(category).kind != CategoryKind::OpcKind)
            continue;
        const int32_t kind = Category(category).switchIndex; // an OPC kind's switch index is the kind
        frame.SetCommandHandler(id, [&frame, &shared, kind] { RunOpcLogDialog(shared, kind, &frame); });
        frame.SetUpdateHandler(id, [&shared, kind](QAction* action) {
            action->setEnabled(Connected(shared));
            if (Connected(shared)) // the check mark is left alone while disconnected
                action->setChecked(SwitchGet(kind) != 0);
        });
    }

    auto launcher = std::make_shared<CHalcyteLauncher>(shared, exePath, &frame);
    frame.SetCommandHandler(ids::ID_LAUNCH_HALCYTE, [launcher] { launcher->OnLaunchHalcyte(); });
    frame.SetUpdateHandler(ids::ID_LAUNCH_HALCYTE, enabledWhileConnected);
}
