// The wait popup: creation, layout, position memory and the modal state over the main window.
#include "progress/ProgressWnd.h"

#include "progress/ProgressLayout.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QWindow>

namespace {

constexpr int kIdCancel = 10;
constexpr int kIdMessage = 11;
constexpr int kIdBar = 12;
constexpr QSize kCreationSize(390, 130);
constexpr int kShowWaitMs = 1000;

QSettings Profile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QString::fromLatin1(progress::kProfileOrganization),
                     QString::fromLatin1(progress::kProfileApplication));
}

} // namespace

CProgressWnd::CProgressWnd(QWidget* mainWindow, const QString& title, bool smooth)
    : QWidget(nullptr), m_pMainWnd(mainWindow) {
    // Creation cannot fail here; the result matters only to BeginModal.
    CreatePopup(title, smooth);
}

CProgressWnd::~CProgressWnd() { DestroyWindow(); }

bool CProgressWnd::CreatePopup(const QString& title, bool smooth) {
    if (m_bCreated)
        return true;
    // A top-level window of its own (not a Qt child of the main window, so that the main window's
    // enabled state and lifetime never reach it), kept above the others, with a caption but no
    // window-menu or close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(title);
    setCursor(Qt::BusyCursor);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    move(0, 0);
    resize(kCreationSize);

    const QFont messageFont = QApplication::font("QMessageBox");

    m_wndMessage = new QLabel(this);
    m_wndMessage->setObjectName(QStringLiteral("message"));
    m_wndMessage->setProperty("controlId", kIdMessage);
    m_wndMessage->setTextFormat(Qt::PlainText); // no prefix or markup processing
    m_wndMessage->setWordWrap(false);
    m_wndMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_wndBar = new QProgressBar(this);
    m_wndBar->setObjectName(QStringLiteral("bar"));
    m_wndBar->setProperty("controlId", kIdBar);
    m_wndBar->setTextVisible(false);
    m_wndBar->setProperty("smooth", smooth);

    m_wndCancelButton = new QPushButton(m_strCancelText, this);
    m_wndCancelButton->setObjectName(QStringLiteral("cancel"));
    m_wndCancelButton->setProperty("controlId", kIdCancel);
    m_wndCancelButton->setFocusPolicy(Qt::TabFocus);
    m_wndCancelButton->setAutoDefault(false);
    connect(m_wndCancelButton, &QPushButton::clicked, this, &CProgressWnd::OnCancelButton);

    m_wndCancelButton->setFont(messageFont);
    m_wndMessage->setFont(messageFont);

    m_bCreated = true;
    ResizeForText(m_nTextLines, kCreationSize.width());

    // Placed before the native window exists: only then does the window system put the frame's corner
    // there (what SavePosition writes) rather than the inner area's.
    if (m_bRememberPosition)
        RestorePosition();
    else
        CenterOverOwner();

    // Owned by the main window as far as the window system is concerned.
    if (m_pMainWnd && m_pMainWnd->windowHandle()) {
        winId();
        if (QWindow* handle = windowHandle())
            handle->setTransientParent(m_pMainWnd->windowHandle());
    }

    ShowPopup();
    m_wndCancelButton->setVisible(m_bCancelVisible);
    m_wndBar->setVisible(m_bBarVisible);
    return true;
}

void CProgressWnd::ShowCancelButton(bool show) {
    m_bCancelVisible = show;
    if (m_wndCancelButton)
        m_wndCancelButton->setVisible(show);
}

void CProgressWnd::ShowBar(bool show) {
    m_bBarVisible = show;
    if (m_wndBar)
        m_wndBar->setVisible(show);
}

bool CProgressWnd::BeginModal(const QString& title, bool smooth) {
    if (!m_bCreated && !CreatePopup(title, smooth))
        return false;
    if (m_pMainWnd) {
        // Disabling the main window takes the focus from its control; it gets it back at the end.
        m_pOwnerFocus = m_pMainWnd->focusWidget();
        m_pMainWnd->setEnabled(false);
    }
    setEnabled(true);
    m_bOwnerDisabled = true;
    return true;
}

void CProgressWnd::ResizeForText(int lines, int width) {
    if (!m_bCreated)
        return;
    const QFontMetrics metrics(m_wndMessage->font());
    progress::LayoutMetrics measured;
    measured.lineHeight = metrics.height();
    measured.cancelTextExtent =
        QSize(metrics.horizontalAdvance(m_strCancelText + QStringLiteral("  ")), metrics.height());
    const progress::Layout layout = progress::ComputeLayout(lines, width, measured);

    // The client area gets the computed size; the window's top-left corner stays where it is.
    resize(layout.client);

    m_wndBar->setGeometry(layout.bar.ToQRect());
    m_wndCancelButton->setGeometry(layout.button.ToQRect());
    m_wndMessage->setGeometry(layout.text.ToQRect());
    update();
}

void CProgressWnd::SetMessage(const QString& text) {
    if (!m_bCreated || m_bDestroyed)
        return;
    m_wndMessage->setText(text.size() > kMaxMessage ? text.left(kMaxMessage) : text);
}

QString CProgressWnd::Message() const { return m_wndMessage ? m_wndMessage->text() : QString(); }

void CProgressWnd::UpdateWindow() {
    if (m_bCreated && !m_bDestroyed && isVisible())
        repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CProgressWnd::HidePopup() {
    if (m_bCreated && isVisible())
        hide();
}

void CProgressWnd::ShowPopup() {
    if (!m_bCreated || isVisible())
        return;
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    update();
    // Until the window system has shown the window (with its frame), a change of size would move the
    // inner area to the frame's corner; the layouts that follow wait for that, a moment at most.
    const QDeadlineTimer deadline(kShowWaitMs);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
}

void CProgressWnd::OnCancelButton() {
    HidePopup();
    if (m_bOwnerDisabled)
        close();
    if (m_pMainWnd) {
        m_pMainWnd->raise();
        m_pMainWnd->activateWindow();
    }
}

void CProgressWnd::RestorePosition() {
    QSettings profile = Profile();
    profile.beginGroup(QStringLiteral("Settings"));
    const int x = profile.value(QStringLiteral("X"), -1).toInt();
    const int y = profile.value(QStringLiteral("Y"), -1).toInt();
    profile.endGroup();

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize();
    if (x < 0 || x >= screenSize.width() || y < 0 || y >= screenSize.height()) {
        CenterOverOwner();
        return;
    }
    move(x, y);
}

void CProgressWnd::SavePosition() {
    if (!m_bCreated || m_bDestroyed)
        return;
    QSettings profile = Profile();
    profile.beginGroup(QStringLiteral("Settings"));
    profile.setValue(QStringLiteral("X"), pos().x());
    profile.setValue(QStringLiteral("Y"), pos().y());
    profile.endGroup();
    profile.sync();
}

void CProgressWnd::CenterOverOwner() {
    QRect area;
    if (m_pMainWnd && m_pMainWnd->isVisible())
        area = m_pMainWnd->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    const QSize outer = frameGeometry().size();
    move(area.center().x() - outer.width() / 2, area.center().y() - outer.height() / 2);
}

void CProgressWnd::DestroyWindow() {
    if (m_bDestroyed)
        return;
    if (m_bRememberPosition)
        SavePosition();
    hide();
    if (m_bOwnerDisabled) {
        m_bOwnerDisabled = false;
        if (m_pMainWnd) {
            // As a modal loop ends: the main window is active again, and its control that had the
            // keyboard focus has it again.
            m_pMainWnd->setEnabled(true);
            m_pMainWnd->activateWindow();
            if (m_pOwnerFocus && m_pOwnerFocus->window() == m_pMainWnd)
                m_pOwnerFocus->setFocus(Qt::ActiveWindowFocusReason);
        }
    }
    m_bDestroyed = true;
}

void CProgressWnd::ShowWaitNotice(const QString& text, const QString& name) {
    ShowCancelButton(false);
    ShowBar(false);
    BeginModal(QStringLiteral("Progress"), false);
    ResizeForText(1, 300);
    UpdateWindow();
    SetMessage(FitLine(text, name));
    UpdateWindow();
}

QString CProgressWnd::FitLine(const QString& text, const QString& name) const {
    const QFontMetrics metrics(m_wndMessage->font());
    const int room = m_wndMessage->contentsRect().width();
    const qsizetype at = name.isEmpty() ? -1 : text.indexOf(name);
    if (at < 0 || metrics.horizontalAdvance(text) <= room)
        return text;
    // The name loses its middle, so that its beginning and its end still tell which one it is.
    QString rest = text;
    rest.remove(at, name.size());
    const QString shortName =
        metrics.elidedText(name, Qt::ElideMiddle, room - metrics.horizontalAdvance(rest));
    return rest.insert(at, shortName);
}
