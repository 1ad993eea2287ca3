// The program's only top-level window: menu bar, accelerators, the log view as its client area, and the
// window settings written at every close request.
#pragma once

#include <QHash>
#include <QMainWindow>

#include <functional>

class CKestraExtApp;
class QAction;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CKestraExtApp* app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action of a command id from the menu or the accelerator table (nullptr when unknown).
    QAction* Action(int commandId) const;
    // Command routing: `handler` runs when the command fires while its action is enabled.
    void SetCommandHandler(int commandId, std::function<void()> handler);
    // Update handler: sets the action's enabled and checked state. Update handlers run when a menu is
    // about to show and on every UpdateCommandUi() (the view's timer calls it).
    void SetUpdateHandler(int commandId, std::function<void(QAction*)> handler);
    void UpdateCommandUi();

    // The caption is the document title followed by " - ".
    void SetDocumentTitle(const QString& documentTitle);

    // Writes the eleven "Window" keys and the "LogOnDisk" keys to the per-user settings file.
    void SaveFrameSettings();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CKestraExtApp* m_app;
    QHash<int, QAction*> m_actions;
    QHash<int, std::function<void()>> m_commandHandlers;
    QHash<int, std::function<void(QAction*)>> m_updateHandlers;
};
