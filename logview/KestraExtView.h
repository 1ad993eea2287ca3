// The log view: a multi-line text view that shows the log text received from the runtime.
//
// A refresh timer (100 ms for the local station, 1000 ms for a remote one) drains the shared pending
// text, hands each chunk to the log-on-disk writer and appends it at the end, first dropping whole
// display lines at the top so that the view never holds more than the maximum text length. Long lines
// wrap at the window's edge. The view is not read-only: the user may select, type and delete; incoming
// text always goes to the end. The view also carries the text commands (Save, Save As, Print, Copy,
// Delete Contents, Clear All) and the Pause and Always On Top switches; WireCommands binds them, and the
// Log-menu switches, to the main frame's actions.
#pragma once

#include "logview/logic/LogOnDisk.h"

#include <QDateTime>
#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>

#include <cstdint>
#include <functional>
#include <memory>

class CKestraExtShared;
class CFindBar;
class CKestraExtDoc;
class CMainFrame;
class QPrinter;
namespace viewlogic {
class TextSearch;
}

class CKestraExtView : public QPlainTextEdit {
    Q_OBJECT
public:
    CKestraExtView(CKestraExtShared& shared, CKestraExtDoc& doc, QWidget* parent = nullptr);
    ~CKestraExtView() override;

    CKestraExtDoc& GetDocument() const { return m_doc; }
    CMainFrame* GetFrame() const { return m_pFrame; }

    // Once, when the document is first shown: line wrap at the window edge with soft line breaks reported,
    // the text limit (the maximum text length now), the saved window placement, the log font.
    void OnInitialUpdate(CMainFrame* frame);
    // Binds every command the view carries to the frame's actions (command and update handlers).
    void WireCommands(CMainFrame* frame);

    // The per-tick pipeline (see the class comment). Called by the timer.
    void AppendPendingText();
    // One timer tick: nothing during start-up; the pipeline while connected; when the link state
    // changed, the title, the font (once the link is up) and the frame's command states.
    void OnTimer();

    // The whole text as UTF-16LE (CR LF per line break, CR CR LF at soft breaks) to `path`. True when
    // written completely; nothing is shown to the user either way.
    bool SaveViewText(const QString& path);
    // The text as the control reports it: CR LF per line break, CR CR LF where a line wraps.
    QString ReportedText() const;
    // The text length in the view's own form (each line break one character).
    int TextLength() const;

    // Commands.
    void OnFileSave();      // Save (log.txt): log folder + "log.txt"
    void OnFileSaveAs();
    void OnFilePrint();
    void OnFilePrintSetup();
    void OnEditCopy();
    void OnEditDelete();    // Delete Contents
    void OnEditClearAll();
    void OnEditPause();
    void OnAlwaysOnTop();
    bool HasSelection() const;

    // Find (Ctrl+F, F3, Shift+F3): the bar below the view, the current match and the highlights of every
    // match, which follow the text as it arrives (ViewFind.cpp).
    void AttachFindBar(CFindBar* bar);
    void OpenFind();
    void CloseFind();
    void FindAgain(bool forward);
    bool FindOpen() const;
    static constexpr int kMaxHighlights = 20000;

    // Applies the always-on-top flag to the main window without moving, resizing or activating it.
    static void ApplyAlwaysOnTop(QWidget* window, bool onTop);

    // The timer's period in ms (0 when there is none).
    int RefreshPeriod() const { return m_nTimerPeriod; }
    // The font name applied last (empty while the default font is used).
    const QString& AppliedFontName() const { return m_strAppliedFont; }
    // The log-on-disk writer that receives every chunk; one that outlives the window keeps the text of
    // failed writes for the end of the program (nullptr: the view's own).
    void SetLogWriter(viewlogic::LogOnDiskWriter* writer);
    // Test hook: the time source of the log-on-disk writer (local time).
    void SetLogClock(std::function<QDateTime()> clock) { m_pLogWriter->SetClock(std::move(clock)); }
    // The limit on what the user may type (characters).
    int TextLimit() const { return m_nTextLimit; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void ApplyLogFont();
    void OnSearchChanged();
    void Search(int from, bool forward);
    void RefreshFindHighlights();
    void HighlightMatches(const viewlogic::TextSearch& search, const QString& text);
    void WriteLogOnDisk(const QString& chunk); // tells the user when a run of failed writes begins
    void ClearModifiedFlags();
    int64_t DisplayLineKey(int position);
    QChar CharAt(int position) const; // a line break as '\n'
    void DeleteRange(QTextCursor& cursor, int from, int to);
    int RoomForTyping() const;

    CKestraExtShared& m_shared;
    CKestraExtDoc& m_doc;
    CMainFrame* m_pFrame = nullptr;
    QFont m_font;                 // the log font (view font)
    QString m_strAppliedFont;
    int m_nTimerId = 0;           // 0 when there is no timer
    int m_nTimerPeriod = 0;
    int m_nTextLimit = 0;
    int32_t m_nLastConnected = -1; // connected flag seen by the previous tick; -1 before the first
    bool m_bPendingCr = false;     // the last chunk ended in CR
    viewlogic::LogOnDiskWriter m_ownLogWriter;
    viewlogic::LogOnDiskWriter* m_pLogWriter = &m_ownLogWriter;
    std::unique_ptr<QPrinter> m_pPrinter;
    CFindBar* m_findBar = nullptr;
    QTextCursor m_currentMatch; // follows the text; empty when the trim took it away
    int m_findAnchor = 0;

    // Display-line lookup cache for one trim: the last display line found.
    int m_cacheFrom = -1;
    int m_cacheTo = -1;
    int64_t m_cacheKey = 0;
};
