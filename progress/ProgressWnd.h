// CProgressWnd: the small always-on-top wait popup shown while start-up connects and while shut-down
// disconnects. A plain window with three children: the message text, a progress bar and a " Cancel "
// button. It has no close box, and while modal (BeginModal) the main window is disabled; the main
// window is enabled again whenever the popup object goes away, on every path.
//
// The popup remembers its top-left corner in the application profile:
//   QSettings (native format, user scope) "Local AppWizard-Generated Applications" / "Kestra",
//   group "Settings", integers "X" and "Y" (default -1).
// A saved corner off the primary screen, or none, centres the popup over its owner.
//
// Callers that wait without returning to an event loop call UpdateWindow() to keep the popup painted.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressWnd : public QWidget {
    Q_OBJECT
public:
    // `mainWindow` is the owner and the window BeginModal disables (may be null). The popup is
    // created and visible when the constructor returns.
    CProgressWnd(QWidget* mainWindow, const QString& title, bool smooth = false);
    ~CProgressWnd() override;

    void ShowCancelButton(bool show);
    void ShowBar(bool show);
    // Disables the main window and makes the popup modal over it. `title` and `smooth` are used only
    // if the popup had to be created here. Returns false when it could not be created.
    bool BeginModal(const QString& title = QStringLiteral("Progress"), bool smooth = false);
    // Lays the popup out for `lines` text lines `width` pixels wide; the top-left corner stays.
    void ResizeForText(int lines, int width);
    // Shows an already formatted text, cut to 511 characters.
    void SetMessage(const QString& text);
    // Repaints the popup now and processes pending paint events (no user input).
    void UpdateWindow();

    // The one-line wait notice that start-up and shut-down show: no Cancel button, no bar, modal over
    // the main window, one text line 300 pixels wide, `text` as the message, painted now. When the
    // line is too long, `name` (a part of `text`, such as a host name) loses its middle to fit.
    void ShowWaitNotice(const QString& text, const QString& name = QString());

    // The window's DestroyWindow: saves the position, re-enables the main window and gives the focus
    // back to the control of it that had it. Runs once.
    void DestroyWindow();

    void HidePopup();
    void ShowPopup();

    bool IsModal() const { return m_bOwnerDisabled; }
    QString Message() const;
    QLabel* MessageLabel() const { return m_wndMessage; }
    QProgressBar* Bar() const { return m_wndBar; }
    QPushButton* CancelButton() const { return m_wndCancelButton; }

    static constexpr int kMaxMessage = 511;

private:
    bool CreatePopup(const QString& title, bool smooth);
    void RestorePosition();
    void SavePosition();
    void CenterOverOwner();
    void OnCancelButton();
    QString FitLine(const QString& text, const QString& name) const;

    QPointer<QWidget> m_pMainWnd;
    QPointer<QWidget> m_pOwnerFocus; // the main window's focus control when BeginModal disabled it
    bool m_bCreated = false;
    bool m_bDestroyed = false;
    bool m_bOwnerDisabled = false;
    bool m_bRememberPosition = true;
    int m_nTextLines = 4;
    QLabel* m_wndMessage = nullptr;
    QProgressBar* m_wndBar = nullptr;
    QPushButton* m_wndCancelButton = nullptr;
    QString m_strCancelText = QStringLiteral(" Cancel ");
    bool m_bBarVisible = true;
    bool m_bCancelVisible = true;
};

namespace progress {
// Where the popup position lives: the application profile, group "Settings".
constexpr const char* kProfileOrganization = "Local AppWizard-Generated Applications";
constexpr const char* kProfileApplication = "Kestra";
} // namespace progress
