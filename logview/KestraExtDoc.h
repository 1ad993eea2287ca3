// The log window's document. It holds no data of its own: the log text lives in the view. It supplies
// the window title (station name and link state), tracks the modified flag that the close prompt asks
// about, and saves the view's text under a path (Save As).
#pragma once

#include <QObject>
#include <QString>

class CKestraExtApp;
class CKestraExtView;
class CMainFrame;

class CKestraExtDoc : public QObject {
    Q_OBJECT
public:
    explicit CKestraExtDoc(CKestraExtApp& app, QObject* parent = nullptr);

    void SetFrame(CMainFrame* frame) { m_pFrame = frame; }
    void SetView(CKestraExtView* view) { m_pView = view; }
    CKestraExtView* GetView() const { return m_pView; }

    // Ignores its argument and applies the title rule (ComposeDocumentTitle) to the document and the frame.
    void SetTitle(const QString& ignored = QString());
    const QString& GetTitle() const { return m_strTitle; }

    // A new document: not modified.
    bool OnNewDocument();
    // Saves the first view's text to `path`; reports success whatever the outcome, as the save-as path
    // does not depend on the write.
    bool OnSaveDocument(const QString& path);

    // Save As: asks for a path with the standard save dialog, saves, and records the path (the title rule
    // ignores the path, so the caption stays). False when the dialog was cancelled.
    bool DoSaveAs(QWidget* dialogParent);
    const QString& GetPathName() const { return m_strPathName; }

    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }

    // Asked before the window closes: a modified document offers to save (Yes saves, No discards, Cancel
    // keeps the window open). True when the window may close.
    bool SaveModified(QWidget* dialogParent);

private:
    CKestraExtApp& m_app;
    CMainFrame* m_pFrame = nullptr;
    CKestraExtView* m_pView = nullptr;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
};
