// The program's only top-level window: menu bar, accelerators, the log view as its client area, and the
// window settings written at every close request.
//
// Commands are routed by id, as the menu and the accelerator table name them. A command's rule
// (CommandRule) says what it does, when it is enabled and what check mark it shows, and which change of
// the window's state updates it; the log window adds every rule in one place (WindowCommands.cpp).
#pragma once

#include "logview/logic/WindowPlacement.h"
#include "state/LogOnDiskChoice.h"

#include <QHash>
#include <QMainWindow>
#include <QMargins>
#include <QTimer>

#include <functional>
#include <optional>

class QAction;
class QMenu;

// What besides the menu a command's state follows: it is updated when that changes (and, as every
// command, when its menu opens and right before it runs).
enum class StateFollows { Nothing, Link, Selection };

struct CommandRule {
    int id = 0;
    std::function<void()> run = {};
    std::function<bool()> enabled = {};                // empty: always enabled
    std::function<std::optional<bool>()> checked = {}; // empty: no check mark; nullopt: the mark stays
    StateFollows follows = StateFollows::Nothing;
};

// What the frame writes at every close request and what its own Save On Disk command changes.
struct FrameSettings {
    QString userIniPath;                  // the per-user settings file
    LogOnDiskChoice* logOnDisk = nullptr; // nullptr: no Save On Disk command, no "LogOnDisk" keys
    std::function<QString()> logFolder;   // where the Save On Disk dialog's "..." opens
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(FrameSettings settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Adds a command by its rule (replacing what the id had).
    void AddCommand(CommandRule rule);
    // Updates the commands whose state follows `what`.
    void UpdateCommands(StateFollows what);

    // The action of a command id from the menu or the accelerator table (nullptr when unknown).
    QAction* Action(int commandId) const;
    // Command routing: `handler` runs when the command fires while its action is enabled.
    void SetCommandHandler(int commandId, std::function<void()> handler);
    // Update handler: sets the action's enabled and checked state. Update handlers run when a menu is
    // about to show, before a command runs (so a disabled command never runs, whatever the state shown),
    // and when the state that decides them changes: UpdateCommand for one command, UpdateCommandUi for
    // all of them.
    void SetUpdateHandler(int commandId, std::function<void(QAction*)> handler);
    void UpdateCommand(int commandId);
    void UpdateCommandUi();

    // The caption is the document title followed by " - ".
    void SetDocumentTitle(const QString& documentTitle);

    // Keeps the window above all others, or not, without moving, resizing or activating it.
    void ApplyAlwaysOnTop(bool onTop);

    // Writes the eleven "Window" keys and the "LogOnDisk" keys to the per-user settings file.
    void SaveFrameSettings();

    // The frame's placement as a record: ShowCmd from the window state, RcNormalPosition the restored
    // (normal) outer rectangle in screen pixels, right and bottom exclusive; Length 44.
    WindowPlacement CapturePlacement() const;
    // Applies a record, also before the first show: the restored outer rectangle (brought onto a screen
    // when it lies on none), then the maximized or minimized state its ShowCmd names. Where the window
    // system adds the frame only once the window is shown, the size is corrected as soon as the frame
    // is known, so that what CapturePlacement then reports is what was applied.
    void ApplyPlacement(const WindowPlacement& placement);

    // Runs a command as the menu or an accelerator does: its update handler first, then its command
    // handler only when the command is enabled. Commands without any handler are disabled.
    void RunCommand(int commandId);

    // The hidden action that carries an accelerator of table 128 (nullptr when the id has none). The
    // accelerator actions stay enabled; whether the command runs is decided by RunCommand.
    QAction* AcceleratorAction(int commandId) const;

    // A key of the window that no menu shows (the find bar's keys): runs `handler` when pressed anywhere
    // in the window.
    QAction* AddWindowShortcut(const QKeySequence& key, std::function<void()> handler);

    // Asked at every close request after the settings were written (the document's save prompt);
    // returning false keeps the window open.
    void SetCloseQuery(std::function<bool()> canClose);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Accelerator keys win over the focused control of this window (Del is Delete Contents, not the
    // text control's delete), as a frame's accelerator table does.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The window frame around the client area as the window system reports it now (none while it is
    // not known yet).
    virtual QMargins WindowFrameMargins() const;

private:
    void BuildMenuBar();
    void BuildAccelerators();
    void UpdateAction(QAction* action);
    // Runs the command's update handler and tells whether the command is enabled.
    bool CommandEnabled(int commandId);
    void UpdateMenu(QMenu* menu);
    bool IsNormalState() const;
    void RememberNormalFrameMargins();
    void SettleFrame();
    void OnSettleTimer();

    QHash<int, QAction*> m_accelerators;
    std::function<bool()> m_closeQuery;
    bool m_firstShow = true;
    QMargins m_normalFrameMargins; // the frame's margins last seen in the normal state
    bool m_haveNormalFrameMargins = false;
    static constexpr int kSettleLookMs = 250;
    std::optional<QRect> m_pendingFrame; // an applied outer rectangle not reached yet (frame unknown)
    int m_settleAttempts = 0;
    int m_settleMatches = 0;
    QTimer m_settleTimer;
    FrameSettings m_settings;
    QHash<int, QAction*> m_actions;
    QHash<int, StateFollows> m_follows;
    QHash<int, std::function<void()>> m_commandHandlers;
    QHash<int, std::function<void(QAction*)>> m_updateHandlers;
};
