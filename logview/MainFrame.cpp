#include "logview/MainFrame.h"

#include "link/KestraShared.h"
#include "logview/DlgSave.h"
#include "logview/logic/CategoryCommands.h"
#include "res/Icon.h"
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

namespace {

// Set by ApplyPlacement on a window not yet shown: the restored frame size to reach once the frame's
// margins are known.
const char kPendingFrameSize[] = "kestraPendingFrameSize";
// Set by ApplyPlacement on a window not yet shown that starts maximized or minimized: the restored frame
// rectangle, applied when the frame first returns to the normal state (not every platform knows it).
const char kPendingNormalFrame[] = "kestraPendingNormalFrame";

QMargins FrameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

} // namespace

CMainFrame::CMainFrame(CKestraExtShared* shared, QWidget* parent) : QMainWindow(parent), m_shared(shared) {
    setWindowIcon(res::ProgramIcon());
    BuildMenuBar();
    BuildAccelerators();

    // The frame's own commands; other layers may replace them with SetCommandHandler.
    SetCommandHandler(ids::ID_APP_EXIT, [this] { close(); });
    SetCommandHandler(ids::ID_HELP_FINDER, [] {});
    SetCommandHandler(ids::ID_NEXT_PANE, [] {});
    SetCommandHandler(ids::ID_PREV_PANE, [] {});
    if (m_shared)
        SetCommandHandler(ids::ID_OPTIONS_SAVE_ON_DISK, [this] { RunSaveOnDiskCommand(*m_shared, this); });

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
    if (!m_shared)
        return;
    const QString& iniPath = m_shared->m_strUserIniPath;
    // Write failures are ignored: the close goes on.
    CapturePlacement(this, m_haveNormalFrameMargins ? &m_normalFrameMargins : nullptr).Write(iniPath);
    const QString section = QStringLiteral("LogOnDisk");
    profile::WritePrivateProfileString(section, QStringLiteral("Type"),
                                       QString::number(m_shared->m_nLogOnDiskType.load()), iniPath);
    profile::WritePrivateProfileString(section, QStringLiteral("FileName"), m_shared->m_strLogOnDiskFile,
                                       iniPath);
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
    if (m_firstShow) {
        m_firstShow = false;
        const QVariant pending = property(kPendingFrameSize);
        setProperty(kPendingFrameSize, QVariant());
        if (pending.isValid() && !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            const QMargins margins = FrameMargins(this);
            const QSize frameSize = pending.toSize();
            resize(QSize(frameSize.width() - margins.left() - margins.right(),
                         frameSize.height() - margins.top() - margins.bottom())
                       .expandedTo(QSize(1, 1)));
        }
        RememberNormalFrameMargins();
        if (!isMinimized()) {
            raise();
            activateWindow();
        }
    }
}

void CMainFrame::RememberNormalFrameMargins() {
    if (isVisible() &&
        !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        m_normalFrameMargins = FrameMargins(this);
        m_haveNormalFrameMargins = true;
    }
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const QVariant pending = property(kPendingNormalFrame);
    if (!pending.isValid() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        return;
    setProperty(kPendingNormalFrame, QVariant());
    const QRect frame = pending.toRect();
    const QMargins margins = m_haveNormalFrameMargins ? m_normalFrameMargins : FrameMargins(this);
    move(frame.topLeft());
    resize(frame.marginsRemoved(margins).size().expandedTo(QSize(1, 1)));
}

void CMainFrame::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RememberNormalFrameMargins();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
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

WindowPlacement CapturePlacement(const QWidget* window, const QMargins* normalFrameMargins) {
    WindowPlacement placement;
    placement.length = WindowPlacement::kLength;
    const Qt::WindowStates state = window->windowState();
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
        placement.ptMaxPositionX = window->frameGeometry().x();
        placement.ptMaxPositionY = window->frameGeometry().y();
    }
    QRect normal = window->normalGeometry();
    if (!normal.isValid())
        normal = window->geometry();
    const QMargins margins =
        normalFrameMargins && (minimized || maximized) ? *normalFrameMargins : FrameMargins(window);
    const QRect frame = normal.marginsAdded(margins);
    placement.rcNormalPositionLeft = frame.left();
    placement.rcNormalPositionTop = frame.top();
    placement.rcNormalPositionRight = frame.left() + frame.width();
    placement.rcNormalPositionBottom = frame.top() + frame.height();
    return placement;
}

void ApplyPlacement(QWidget* window, const WindowPlacement& placement) {
    const Qt::WindowStates sizeStates = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    const Qt::WindowStates base = window->windowState() & ~sizeStates;
    window->setWindowState(base);

    QRect frame(QPoint(placement.rcNormalPositionLeft, placement.rcNormalPositionTop),
                QPoint(placement.rcNormalPositionRight - 1, placement.rcNormalPositionBottom - 1));
    if (frame.width() > 0 && frame.height() > 0) {
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(frame);
        if (!onScreen && QGuiApplication::primaryScreen())
            frame.moveTopLeft(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
        const QRect client = frame.marginsRemoved(FrameMargins(window));
        window->move(frame.topLeft()); // a window's position includes its frame
        window->resize(client.size().expandedTo(QSize(1, 1)));
        if (!window->isVisible())
            window->setProperty(kPendingFrameSize, frame.size());
    }

    Qt::WindowStates target = base;
    switch (placement.showCmd) {
    case WindowPlacement::kShowMaximized:
        target |= Qt::WindowMaximized;
        break;
    case WindowPlacement::kShowMinimized:
    case 6: // minimize
    case 7: // shown minimized without activation
        target |= Qt::WindowMinimized;
        if (placement.flags & WindowPlacement::kFlagRestoreToMaximized)
            target |= Qt::WindowMaximized;
        break;
    default:
        break;
    }
    if (target != base) {
        if (!window->isVisible() && frame.width() > 0 && frame.height() > 0)
            window->setProperty(kPendingNormalFrame, frame);
        window->setWindowState(target);
    }
}
