// The log window's document: it holds the log text (the view shows it), supplies the window title
// (station name and link state), knows whether the text was changed by the user since the pipeline last
// ran (the text's own modified state, which the close prompt asks about), and saves the text under a
// path (Save As).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class WorkerChannel;
struct ConnectionOptions;
class QTextDocument;
class QWidget;

class CKestraExtDoc : public QObject {
    Q_OBJECT
public:
    // The title names the options' station and follows the channel's link state; Save As opens in the
    // channel's log folder.
    CKestraExtDoc(const ConnectionOptions& options, const WorkerChannel& channel, QObject* parent = nullptr);

    // The log text: the text document that the view shows and edits, laid out as the view lays it out.
    // The view attaches it when it is made.
    void AttachText(QTextDocument* text);
    QTextDocument* Text() const { return m_text; }

    // Applies the title rule (ComposeDocumentTitle); emits titleChanged.
    void SetTitle();
    const QString& GetTitle() const { return m_strTitle; }

    // A new document: not modified.
    bool OnNewDocument();
    // Save As: asks for a path with the standard save dialog (in the log folder, offering "log.txt", or
    // where the text was saved last), saves, and records the path (the title rule ignores the path, so
    // the caption stays). False when the dialog was cancelled.
    bool DoSaveAs(QWidget* dialogParent);

    void SetModifiedFlag(bool modified = true);
    bool IsModified() const;

    // Asked before the window closes: a modified document offers to save (Yes saves, No discards, Cancel
    // keeps the window open). A save that fails there says so (file and system error) and keeps the
    // window open, since closing would lose the text the user asked to keep. True when it may close.
    bool SaveModified(QWidget* dialogParent);

Q_SIGNALS:
    void titleChanged(const QString& title);

private:
    QString AskSavePath(QWidget* dialogParent) const;

    const ConnectionOptions& m_options;
    const WorkerChannel& m_channel;
    QPointer<QTextDocument> m_text;
    QString m_strTitle;
    QString m_strPathName;
};
