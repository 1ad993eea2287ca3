#include "logview/MainFrame.h"

#include "logview/DlgSave.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "settings/PrivateProfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QWindow>

CMainFrame::CMainFrame(FrameSettings settings, QWidget* parent) : QMainWindow(parent), m_settings(std::move(settings)) {
    m_settleTimer.setInterval(kSettleLookMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &CMainFrame::OnSettleTimer);
    BuildMenuBar();
    BuildAccelerators();

    // The frame's own commands. F1, F6 and Shift+F6 are keys of the accelerator table that do nothing.
    SetCommandHandler(ids::ID_APP_EXIT, [this] { close(); });
    for (const int id : {ids::ID_HELP_FINDER, ids::ID_NEXT_PANE, ids::ID_PREV_PANE})
        SetCommandHandler(id, [] {});
    if (m_settings.logOnDisk) {
        SetCommandHandler(ids::ID_OPTIONS_SAVE_ON_DISK, [this] {
            RunSaveOnDiskCommand(*m_settings.logOnDisk, m_settings.logFolder ? m_settings.logFolder() : QString(),
                                 this);
        });
    }

    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

CMainFrame::~CMainFrame() {
    // The view goes before the document whose text it shows (both are children of the frame).
    delete takeCentralWidget();
}

void CMainFrame::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    bar->setNativeMenuBar(false);
    for (const res::MenuItem& popup : res::Menu(ids::IDR_MAINFRAME)) {
        QMenu* menu = bar->addMenu(popup.text);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
        for (const res::MenuItem& item : popup.children) {
            if (item.separator) {
                menu->addSeparator();
                continue;
            }
            // The text keeps its tab and accelerator label; the menu shows the label at the right.
            QAction* action = menu->addAction(item.text);
            const int id = item.id;
            action->setData(id);
            action->setCheckable(viewlogic::IsCheckableCommand(id));
            action->setEnabled(!item.initiallyDisabled);
            connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
            if (!m_actions.contains(id))
                m_actions.insert(id, action);
        }
    }
}

void CMainFrame::BuildAccelerators() {
    for (const res::Accelerator& accelerator : res::Accelerators(ids::IDR_MAINFRAME)) {
        auto* action = new QAction(this);
        const int id = accelerator.commandId;
        action->setData(id);
        action->setShortcut(accelerator.key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setAutoRepeat(true);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        addAction(action);
        m_accelerators.insert(id, action);
    }
}

QAction* CMainFrame::AddWindowShortcut(const QKeySequence& key, std::function<void()> handler) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    addAction(action);
    return action;
}

QAction* CMainFrame::Action(int commandId) const {
    if (QAction* action = m_actions.value(commandId, nullptr))
        return action;
    return m_accelerators.value(commandId, nullptr);
}

QAction* CMainFrame::AcceleratorAction(int commandId) const {
    return m_accelerators.value(commandId, nullptr);
}

void CMainFrame::SetCommandHandler(int commandId, std::function<void()> handler) {
    if (handler)
        m_commandHandlers.insert(commandId, std::move(handler));
    else
        m_commandHandlers.remove(commandId);
}

void CMainFrame::SetUpdateHandler(int commandId, std::function<void(QAction*)> handler) {
    if (handler)
        m_updateHandlers.insert(commandId, std::move(handler));
    else
        m_updateHandlers.remove(commandId);
}

void CMainFrame::AddCommand(CommandRule rule) {
    const int id = rule.id;
    SetCommandHandler(id, std::move(rule.run));
    m_follows.insert(id, rule.follows);
    SetUpdateHandler(id, [enabled = std::move(rule.enabled), checked = std::move(rule.checked)](QAction* action) {
        action->setEnabled(!enabled || enabled());
        if (!checked || !action->isCheckable())
            return;
        if (const std::optional<bool> mark = checked())
            action->setChecked(*mark);
    });
}

void CMainFrame::UpdateCommands(StateFollows what) {
    for (auto it = m_follows.constBegin(); it != m_follows.constEnd(); ++it) {
        if (it.value() == what)
            UpdateCommand(it.key());
    }
}

void CMainFrame::SetCloseQuery(std::function<bool()> canClose) {
    m_closeQuery = std::move(canClose);
}

void CMainFrame::UpdateAction(QAction* action) {
    const int id = action->data().toInt();
    const auto update = m_updateHandlers.constFind(id);
    if (update != m_updateHandlers.constEnd())
        (*update)(action);
    else
        action->setEnabled(m_commandHandlers.contains(id));
}

void CMainFrame::UpdateMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            UpdateAction(action);
    }
}

void CMainFrame::UpdateCommand(int commandId) {
    if (QAction* action = m_actions.value(commandId, nullptr))
        UpdateAction(action);
}

void CMainFrame::UpdateCommandUi() {
    for (QAction* action : std::as_const(m_actions))
        UpdateAction(action);
}

bool CMainFrame::CommandEnabled(int commandId) {
    if (QAction* action = m_actions.value(commandId, nullptr)) {
        UpdateAction(action);
        return action->isEnabled();
    }
    if (!m_accelerators.contains(commandId))
        return true;
    // A command that only a key reaches: its state is decided on a stand-in, so that the key's own
    // action stays enabled and the key keeps working once the command is enabled again.
    QAction probe;
    probe.setData(commandId);
    UpdateAction(&probe);
    return probe.isEnabled();
}

void CMainFrame::RunCommand(int commandId) {
    // A disabled command never runs, even when its state shown was stale.
    if (!CommandEnabled(commandId))
        return;
    const auto handler = m_commandHandlers.value(commandId);
    const QPointer<CMainFrame> self(this);
    if (handler)
        handler();
    if (self)
        UpdateCommand(commandId);
}

void CMainFrame::SetDocumentTitle(const QString& documentTitle) {
    setWindowTitle(documentTitle + QStringLiteral(" - "));
}

void CMainFrame::SaveFrameSettings() {
    const QString& iniPath = m_settings.userIniPath;
    if (iniPath.isEmpty())
        return;
    // Write failures are ignored: the close goes on.
    CapturePlacement().Write(iniPath);
    if (!m_settings.logOnDisk)
        return;
    const QString section = QStringLiteral("LogOnDisk");
    profile::WritePrivateProfileString(section, QStringLiteral("Type"),
                                       QString::number(m_settings.logOnDisk->m_nLogOnDiskType.load()), iniPath);
    profile::WritePrivateProfileString(section, QStringLiteral("FileName"), m_settings.logOnDisk->m_strLogOnDiskFile,
                                       iniPath);
}

void CMainFrame::ApplyAlwaysOnTop(bool onTop) {
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow* handle = windowHandle()) {
        // The native window exists: change its stacking hint in place, so it is neither hidden, moved,
        // resized nor activated (setWindowFlags would re-create and hide it).
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveFrameSettings();
    if (m_closeQuery && !m_closeQuery()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    SettleFrame();
    if (m_firstShow) {
        m_firstShow = false;
        RememberNormalFrameMargins();
        if (!isMinimized()) {
            raise();
            activateWindow();
        }
    }
}

QMargins CMainFrame::WindowFrameMargins() const {
    // The window system's own account (a widget's frame geometry may lag behind it).
    const QWindow* handle = windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

bool CMainFrame::IsNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void CMainFrame::RememberNormalFrameMargins() {
    if (isVisible() && IsNormalState()) {
        m_normalFrameMargins = WindowFrameMargins();
        m_haveNormalFrameMargins = true;
    }
}

void CMainFrame::SettleFrame() {
    // An applied outer rectangle is reached once the window is shown in the normal state with its frame
    // known: on X11 the window manager adds the frame only after the window was mapped, and for a moment
    // after a change of state it may still report the old state's frame. So every change of the window
    // is followed by a look a little later (OnSettleTimer), when the frame reported is the current one.
    if (m_pendingFrame && isVisible() && IsNormalState())
        m_settleTimer.start();
}

void CMainFrame::OnSettleTimer() {
    // The rectangle is applied again while the frame around the window does not match it (a few times
    // at most, so as never to fight the window manager), and counts as reached once it has matched at
    // two looks in a row.
    constexpr int kMaxAttempts = 3;
    m_settleTimer.stop();
    const QMargins margins = WindowFrameMargins();
    if (!m_pendingFrame || !isVisible() || !IsNormalState() || margins.isNull())
        return; // a later change of the window looks again
    if (geometry().marginsAdded(margins) == *m_pendingFrame) {
        if (++m_settleMatches >= 2)
            m_pendingFrame.reset();
        else
            m_settleTimer.start();
        return;
    }
    m_settleMatches = 0;
    if (++m_settleAttempts > kMaxAttempts) {
        m_pendingFrame.reset();
        return;
    }
    move(m_pendingFrame->topLeft()); // a shown window's position is its frame's
    resize(m_pendingFrame->marginsRemoved(margins).size().expandedTo(QSize(1, 1)));
    m_settleTimer.start();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        SettleFrame();
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    SettleFrame();
    RememberNormalFrameMargins();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    SettleFrame();
    RememberNormalFrameMargins();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    if (widget == this || widget->window() != this)
        return false;
    // A bar with a field of its own (the find bar) keeps its editing keys.
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        if (w->property("kestraOwnKeys").toBool())
            return false;
    }
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(keyEvent->keyCombination());
    for (const QAction* action : std::as_const(m_accelerators)) {
        if (action->shortcut().matches(pressed) == QKeySequence::ExactMatch) {
            event->ignore(); // not wanted by the control: the shortcut map gets the key
            return true;
        }
    }
    return false;
}

WindowPlacement CMainFrame::CapturePlacement() const {
    WindowPlacement placement;
    placement.length = WindowPlacement::kLength;
    const Qt::WindowStates state = windowState();
    const bool minimized = state.testFlag(Qt::WindowMinimized);
    const bool maximized = state.testFlag(Qt::WindowMaximized) || state.testFlag(Qt::WindowFullScreen);
    placement.showCmd = minimized   ? WindowPlacement::kShowMinimized
                        : maximized ? WindowPlacement::kShowMaximized
                                    : WindowPlacement::kShowNormal;
    placement.flags = minimized && maximized ? WindowPlacement::kFlagRestoreToMaximized : 0;
    // No minimized position exists here; the maximized position is known only while maximized.
    placement.ptMinPositionX = placement.ptMinPositionY = -1;
    placement.ptMaxPositionX = placement.ptMaxPositionY = -1;
    if (maximized && !minimized) {
        placement.ptMaxPositionX = frameGeometry().x();
        placement.ptMaxPositionY = frameGeometry().y();
    }
    if (m_pendingFrame) {
        // Applied and not reached yet (the window never was in the normal state with its frame known).
        placement.SetNormalFrame(*m_pendingFrame);
        return placement;
    }
    QRect normal = normalGeometry();
    if (!normal.isValid())
        normal = geometry();
    const QMargins margins =
        (minimized || maximized) && m_haveNormalFrameMargins ? m_normalFrameMargins : WindowFrameMargins();
    placement.SetNormalFrame(normal.marginsAdded(margins));
    return placement;
}

void CMainFrame::ApplyPlacement(const WindowPlacement& placement) {
    const Qt::WindowStates sizeStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    const Qt::WindowStates base = windowState() & ~sizeStates;
    setWindowState(base);

    QRect frame = placement.NormalFrame();
    if (frame.width() > 0 && frame.height() > 0) {
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens.append(screen->availableGeometry());
        frame = FitOntoScreens(frame, screens);
        // Before the first show the frame is usually unknown: the client gets the outer size then, and
        // SettleFrame takes the frame off once it is known.
        move(frame.topLeft()); // a window's position is its frame's
        resize(frame.marginsRemoved(WindowFrameMargins()).size().expandedTo(QSize(1, 1)));
        m_pendingFrame = frame;
        m_settleAttempts = 0;
        m_settleMatches = 0;
    }

    Qt::WindowStates target = base;
    switch (placement.showCmd) {
    case WindowPlacement::kShowMaximized:
        target |= Qt::WindowMaximized;
        break;
    case WindowPlacement::kShowMinimized:
    case WindowPlacement::kShowMinimize:
    case WindowPlacement::kShowMinimizedNoActive:
        target |= Qt::WindowMinimized;
        if (placement.flags & WindowPlacement::kFlagRestoreToMaximized)
            target |= Qt::WindowMaximized;
        break;
    default:
        break;
    }
    if (target != base)
        setWindowState(target);
    SettleFrame();
}
