// Every command of the log window: what it does, when it is enabled, which check mark it shows and what
// its state follows. The menu texts and keys come from the resources (menu and accelerator table 128);
// the frame routes each command by its id.
#include "logview/LogWindow.h"

#include "logview/KestraExtDoc.h"
#include "logview/KestraExtView.h"
#include "logview/MainFrame.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"
#include "res/Resources.h"

#include <QAction>

#include <QKeySequence>

#include <vector>

namespace {

int32_t Flipped(const KestraWord& word) { return word.load() ? 0 : 1; }

// The Log menu and Insert date/time: the simple switches and the stamp toggle the mirrored value and
// queue the change; the OPC kinds open their settings dialog and show the station's switch as the worker
// last read it.
void AddCategoryCommands(std::vector<CommandRule>& rules, CMainFrame& frame, const LogWindowParts& parts,
                         const WindowTools& tools) {
    CategoryWords& words = parts.categories;
    WorkerChannel& channel = parts.channel;
    const auto connected = [&channel] { return channel.m_bConnected.load() != 0; };
    for (const auto& [id, category] : viewlogic::CategoryCommands()) {
        if (const int32_t kind = viewlogic::OpcKindOfCommand(id)) {
            std::function<void()> open;
            if (tools.opcSettings)
                open = [&frame, opc = tools.opcSettings, kind] { opc(kind, &frame); };
            rules.push_back({id, open, connected,
                             [&channel, kind]() -> std::optional<bool> {
                                 const OpcStationValues station = channel.StationOpc(kind);
                                 // While disconnected, or before the worker read it, the mark stays.
                                 if (!channel.m_bConnected.load() || !station.known)
                                     return std::nullopt;
                                 return station.switchValue != 0;
                             },
                             StateFollows::Link});
            continue;
        }
        const int commandId = id;
        rules.push_back({id, [&words, &channel, commandId] { viewlogic::ToggleCategory(words, channel, commandId); },
                         connected,
                         [&words, &channel, commandId]() -> std::optional<bool> {
                             const CommandState state = viewlogic::CategoryUpdateState(words, channel, commandId);
                             if (!state.check)
                                 return std::nullopt;
                             return *state.check != 0; // any non-zero service value shows a check mark
                         },
                         StateFollows::Link});
    }
}

} // namespace

void AddLogWindowCommands(const LogWindow& window, const LogWindowParts& parts, const WindowTools& tools) {
    using namespace ids;
    CMainFrame& frame = *window.frame;
    CKestraExtView& view = *window.view;
    WorkerChannel& channel = parts.channel;
    WindowState& state = parts.window;
    const auto connected = [&channel] { return channel.m_bConnected.load() != 0; };
    const auto withSelection = [&view] { return view.HasSelection(); };

    std::vector<CommandRule> rules = {
        // Save (log.txt): the result is ignored, nothing is shown.
        {ID_FILE_SAVE, [&view, &channel] { view.SaveViewText(channel.LogFolder() + QStringLiteral("log.txt")); }},
        {ID_FILE_SAVE_AS, [&view] { view.OnFileSaveAs(); }},
        {ID_FILE_PRINT, [&view] { view.OnFilePrint(); }},
        {ID_FILE_PRINT_SETUP, [&view] { view.OnFilePrintSetup(); }},
        {ID_EDIT_COPY, [&view] { view.OnEditCopy(); }, withSelection, {}, StateFollows::Selection},
        {ID_EDIT_DELETE, [&view] { view.OnEditDelete(); }, withSelection, {}, StateFollows::Selection},
        {ID_EDIT_CLEAR_ALL, [&view] { view.OnEditClearAll(); }},
        // Pause only flips the word: the pipeline takes nothing while it is set, the worker discards.
        {ID_EDIT_PAUSE, [&channel] { channel.m_bPaused = Flipped(channel.m_bPaused); }, connected,
         [&channel]() -> std::optional<bool> { return channel.m_bPaused.load() != 0; }, StateFollows::Link},
        {ID_OPTIONS_ALWAYS_ON_TOP,
         [&state, &frame] {
             state.m_bAlwaysOnTop = Flipped(state.m_bAlwaysOnTop);
             frame.ApplyAlwaysOnTop(state.m_bAlwaysOnTop.load() != 0);
         },
         {}, [&state]() -> std::optional<bool> { return state.m_bAlwaysOnTop.load() != 0; }},
    };
    AddCategoryCommands(rules, frame, parts, tools);
    if (tools.logTags)
        rules.push_back({ID_LOG_TAGS, [&view, open = tools.logTags] { open(&view); }, connected, {},
                         StateFollows::Link});
    if (tools.launchTool)
        rules.push_back({ID_LAUNCH_HALCYTE, [&frame, launch = tools.launchTool] { launch(&frame); }, connected, {},
                         StateFollows::Link});
    if (tools.about)
        rules.push_back({ID_APP_ABOUT, [&frame, about = tools.about] { about(&frame); }});
    for (CommandRule& rule : rules)
        frame.AddCommand(std::move(rule));
    frame.UpdateCommandUi();

    // The highlight rules: a key of the window and the view's context menu, no menu item.
    if (tools.highlightRules) {
        const auto edit = [&frame, &view, open = tools.highlightRules] {
            if (auto chosen = open(&frame))
                view.SetHighlighter(std::move(chosen));
        };
        frame.AddWindowShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), edit);
        auto* rulesAction = new QAction(res::String(ids::IDS_HL_MENU), &view);
        QObject::connect(rulesAction, &QAction::triggered, &view, edit);
        view.SetContextActions({rulesAction});
    }

    // Find: keys of the window, no menu item.
    frame.AddWindowShortcut(QKeySequence::Find, [&view] { view.OpenFind(); });
    frame.AddWindowShortcut(QKeySequence(Qt::Key_F3), [&view] { view.FindAgain(true); });
    frame.AddWindowShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [&view] { view.FindAgain(false); });

    // Copy and Delete Contents follow the selection.
    QObject::connect(&view, &QPlainTextEdit::copyAvailable, &frame,
                     [&frame] { frame.UpdateCommands(StateFollows::Selection); });

    // The document's save prompt at close (only when the user changed the text while no tick ran).
    frame.SetCloseQuery([doc = window.doc, &view] { return doc->SaveModified(view.window()); });
}
