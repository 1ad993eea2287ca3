// The title registry: how one program finds a window of another by its exact title.
//
// A program registers its main window: while the window carries a title, a local socket server listens
// under a name made from a hash of the user, the display and that exact title; a new title re-registers
// at once (the registry follows the window's title changes). Finding a title connects to that name;
// asking it to show sends "show", and the owner restores its window if it is minimised, raises and
// activates it. A window is found only on the display it is shown on.
//
// The sockets live in a folder only the user can use: $XDG_RUNTIME_DIR when it is one (owned by the
// user, no access for others), else "kestra-<uid>" in the system's temporary folder, made with mode
// 0700 (when that name is taken by anything else, nothing is registered or found). A listener whose
// user id is not ours is ignored. A socket left behind by a program that ended without cleaning up is
// replaced by the next registration of the same title. While another live program holds the title,
// registration is tried again every second, so the title is found as soon as that program lets go.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QTimer;
class QWidget;

class TitleRegistry : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryMs = 1000;

    // Follows `window`'s title from now on (registers the current one if it is not empty).
    explicit TitleRegistry(QWidget* window);
    ~TitleRegistry() override;

    // The title currently registered (empty when none, or when another live program holds it).
    QString RegisteredTitle() const;
    bool IsRegistered() const;

    // The socket name for a title (empty when there is no private folder for it).
    static QString ServerName(const QString& title);
    // True when a live program has registered exactly this title.
    static bool Find(const QString& title, int timeoutMs = 1000);
    // Finds the title and asks its owner to bring the window to the front; true when found.
    static bool BringToFront(const QString& title, int timeoutMs = 1000);

Q_SIGNALS:
    // Emitted after a "show" request was carried out.
    void shown();

private:
    void Register(const QString& title);
    void TryListen();
    void OnNewConnection();
    void ShowWindow();

    QPointer<QWidget> m_window;
    QLocalServer* m_server = nullptr;
    QTimer* m_retry = nullptr;
    QString m_title;
};
