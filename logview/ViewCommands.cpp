// Binds the commands that the log view carries to the main frame's actions: the text commands, Pause,
// Always On Top, the Log-menu switches and Insert date/time (through the shared state and the worker's
// queue), and the OPC and Tags items.
#include "logview/KestraExtView.h"

#include "link/KestraShared.h"
#include "logview/KestraExtDoc.h"
#include "logview/LogMenuHandlers.h"
#include "logview/MainFrame.h"
#include "res/Ids.h"

#include <QAction>

namespace {

void SetCheck(QAction* action, bool checked) {
    if (action->isCheckable())
        action->setChecked(checked);
}

} // namespace

void CKestraExtView::WireCommands(CMainFrame* frame) {
    using namespace ids;
    m_pFrame = frame;
    auto always = [](QAction* action) { action->setEnabled(true); };
    auto withSelection = [this](QAction* action) { action->setEnabled(HasSelection()); };

    frame->SetCommandHandler(ID_FILE_SAVE, [this] { OnFileSave(); });
    frame->SetUpdateHandler(ID_FILE_SAVE, always);
    frame->SetCommandHandler(ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    frame->SetUpdateHandler(ID_FILE_SAVE_AS, always);
    frame->SetCommandHandler(ID_FILE_PRINT, [this] { OnFilePrint(); });
    frame->SetUpdateHandler(ID_FILE_PRINT, always);
    frame->SetCommandHandler(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    frame->SetUpdateHandler(ID_FILE_PRINT_SETUP, always);

    frame->SetCommandHandler(ID_EDIT_COPY, [this] { OnEditCopy(); });
    frame->SetUpdateHandler(ID_EDIT_COPY, withSelection);
    frame->SetCommandHandler(ID_EDIT_DELETE, [this] { OnEditDelete(); });
    frame->SetUpdateHandler(ID_EDIT_DELETE, withSelection);
    frame->SetCommandHandler(ID_EDIT_CLEAR_ALL, [this] { OnEditClearAll(); });
    frame->SetUpdateHandler(ID_EDIT_CLEAR_ALL, always);

    frame->SetCommandHandler(ID_EDIT_PAUSE, [this] { OnEditPause(); });
    frame->SetUpdateHandler(ID_EDIT_PAUSE, [this](QAction* action) {
        action->setEnabled(m_shared.m_bConnected.load() != 0);
        SetCheck(action, m_shared.m_bPaused.load() != 0);
    });

    frame->SetCommandHandler(ID_OPTIONS_ALWAYS_ON_TOP, [this] { OnAlwaysOnTop(); });
    frame->SetUpdateHandler(ID_OPTIONS_ALWAYS_ON_TOP, [this](QAction* action) {
        action->setEnabled(true);
        SetCheck(action, m_shared.m_bAlwaysOnTop.load() != 0);
    });

    WireLogMenu(*frame, m_shared);

    // Find: keys of the window, no menu item.
    frame->AddWindowShortcut(QKeySequence::Find, [this] { OpenFind(); });
    frame->AddWindowShortcut(QKeySequence(Qt::Key_F3), [this] { FindAgain(true); });
    frame->AddWindowShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindAgain(false); });

    // Copy and Delete Contents follow the selection.
    connect(this, &QPlainTextEdit::copyAvailable, frame, [frame] {
        frame->UpdateCommand(ID_EDIT_COPY);
        frame->UpdateCommand(ID_EDIT_DELETE);
    });

    // The document's save prompt at close (only when the user changed the text while no tick ran).
    frame->SetCloseQuery([this] { return m_doc.SaveModified(window()); });
}
