// The log view: a multi-line text view that shows the log text received from the runtime.
//
// It only shows: each chunk the received-text pipeline gives it is appended at the end, after whole
// display lines at the top were dropped so that the view never holds more than the maximum text length.
// Long lines wrap at the window's edge. The view is not read-only: the user may select, type and delete;
// incoming text always goes to the end. It also does what the text commands ask of its text (save,
// print, copy, delete, clear) and carries the find bar's search.
#pragma once

#include "highlight/Highlighter.h"
#include "pipeline/ViewChunk.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>

#include <cstdint>
#include <memory>

class CFindBar;
class CKestraExtDoc;
class QPrinter;
class QTextDocument;
namespace viewlogic {
class TextSearch;
}

class CKestraExtView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CKestraExtView(CKestraExtDoc& doc, QWidget* parent = nullptr);
    ~CKestraExtView() override;

    // Appends what the pipeline keeps of a chunk, keeping the view within `maxLength` characters, each
    // line coloured by the highlight rules; an empty chunk appends nothing. Either way the document is no
    // longer modified.
    void ShowChunk(const pipeline::ViewChunk& chunk, int maxLength);

    // The highlight rules for text from now on, and again for the text the view holds (nullptr: none).
    void SetHighlighter(std::shared_ptr<const highlight::Highlighter> highlighter);
    // The text as it would be printed: the view's text and font, without colours.
    std::unique_ptr<QTextDocument> PrintableCopy() const;

    // The configured log font: the platform's default font with this face name (at most 31 characters).
    // An empty name keeps the font the view has.
    void ApplyLogFont(const QString& faceName);
    // The font name applied last (empty while the default font is used).
    const QString& AppliedFontName() const { return m_strAppliedFont; }
    // The limit on what the user may type (characters).
    void SetTextLimit(int limit) { m_nTextLimit = limit; }
    int TextLimit() const { return m_nTextLimit; }

    // The whole text as UTF-16LE (CR LF per line break, CR CR LF at soft breaks) to `path`. True when
    // written completely; nothing is shown to the user either way.
    bool SaveViewText(const QString& path);
    // The text as the control reports it: CR LF per line break, CR CR LF where a line wraps.
    QString ReportedText() const;
    // The text length in the view's own form (each line break one character).
    int TextLength() const;

    // What the text commands do with the view's text.
    void OnFileSaveAs();
    void OnFilePrint();
    void OnFilePrintSetup();
    void OnEditCopy();
    void OnEditDelete();    // Delete Contents: the selection only
    void OnEditClearAll();
    bool HasSelection() const;

    // Find (Ctrl+F, F3, Shift+F3): the bar below the view, the current match and the highlights of every
    // match, which follow the text as it arrives (ViewFind.cpp).
    void AttachFindBar(CFindBar* bar);
    void OpenFind();
    void CloseFind();
    void FindAgain(bool forward);
    bool FindOpen() const;
    static constexpr int kMaxHighlights = 20000;

    // The view's own entries in its context menu, after the standard ones.
    void SetContextActions(QList<QAction*> actions) { m_contextActions = std::move(actions); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    // Copy gives plain text only: the colours are the view's, not the text's.
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSearchChanged();
    void Search(int from, bool forward);
    void RefreshFindHighlights();
    void HighlightMatches(const viewlogic::TextSearch& search, const QString& text);
    void ClearModifiedFlags();
    int64_t DisplayLineKey(int position);
    QChar CharAt(int position) const; // a line break as '\n'
    void DeleteRange(QTextCursor& cursor, int from, int to);
    int RoomForTyping() const;
    void InsertColoured(QTextCursor& cursor, const QString& text);
    void Recolour();

    CKestraExtDoc& m_doc;
    std::shared_ptr<const highlight::Highlighter> m_highlighter;
    QList<QAction*> m_contextActions;
    QString m_strAppliedFont;
    int m_nTextLimit = 0;
    std::unique_ptr<QPrinter> m_pPrinter;
    CFindBar* m_findBar = nullptr;
    QTextCursor m_currentMatch; // follows the text; empty when the trim took it away
    int m_findAnchor = 0;

    // Display-line lookup cache for one trim: the last display line found.
    int m_cacheFrom = -1;
    int m_cacheTo = -1;
    int64_t m_cacheKey = 0;
};
