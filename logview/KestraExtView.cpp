#include "logview/KestraExtView.h"

#include "link/KestraShared.h"
#include "logview/KestraExtDoc.h"
#include "logview/MainFrame.h"
#include "logview/ViewText.h"
#include "logview/logic/DocumentTitle.h"
#include "logview/logic/LogOnDisk.h"
#include "logview/logic/TextTrimmer.h"
#include "logview/logic/WindowPlacement.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimerEvent>
#include <QWindow>

#include <algorithm>

namespace {

// Log text needs no typographic shaping: without it (and without kerning) Latin text is laid out from
// the font's character map directly, several times faster; scripts that need shaping still get it.
QFont WithoutShaping(QFont font) {
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

} // namespace

CKestraExtView::CKestraExtView(CKestraExtShared& shared, CKestraExtDoc& doc, QWidget* parent)
    : QPlainTextEdit(parent), m_shared(shared), m_doc(doc) {
    doc.AttachText(document());
    // Long lines wrap at the window's edge: no horizontal scrolling.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setFont(WithoutShaping(font()));
    SetLogWriter(nullptr);

    m_nTimerPeriod = viewlogic::RefreshPeriodMs(m_shared.m_strHost);
    m_nTimerId = startTimer(m_nTimerPeriod);
    if (m_nTimerId == 0)
        m_nTimerPeriod = 0; // no timer: no log text is ever shown, nothing is reported
}

void CKestraExtView::SetLogWriter(viewlogic::LogOnDiskWriter* writer) {
    m_pLogWriter = writer ? writer : &m_ownLogWriter;
    m_pLogWriter->SetDroppedNotice([](qint64 lines) {
        return res::FormatString(ids::IDS_LOG_LINES_DROPPED, {QString::number(lines)});
    });
}

CKestraExtView::~CKestraExtView() {
    if (m_nTimerId != 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

// ---------------------------------------------------------------------------------------------------
// Initial update

void CKestraExtView::OnInitialUpdate(CMainFrame* frame) {
    m_pFrame = frame;
    m_nTextLimit = m_shared.m_nMaxTextLength.load();

    const WindowPlacement placement = WindowPlacement::Read(m_shared.m_strUserIniPath);
    if (frame && placement.ShouldApply()) {
        frame->ApplyPlacement(placement);
    } else if (frame) {
        // First run: no saved placement. The window gets a usable default size where the system puts it.
        const QScreen* screen = frame->screen();
        const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
        frame->resize(std::max(480, available.width() * 3 / 5), std::max(320, available.height() * 3 / 5));
    }

    ApplyLogFont();
}

void CKestraExtView::ApplyLogFont() {
    const QString name = m_shared.Font().name;
    if (name.isEmpty() || name.left(31) == m_strAppliedFont)
        return; // no configured font: the control keeps its current one
    // The platform's default font with the configured face name (at most 31 characters). The character
    // set has no counterpart in a Unicode font, so only the face name is taken over.
    QFont font = WithoutShaping(QApplication::font(this));
    font.setFamily(name.left(31));
    m_font = font;
    m_strAppliedFont = name.left(31);
    setFont(m_font);
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------------
// Timer and display pipeline

void CKestraExtView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_nTimerId)
        OnTimer();
    else
        QPlainTextEdit::timerEvent(event);
}

void CKestraExtView::OnTimer() {
    if (m_shared.m_bStarting.load())
        return;
    const int32_t connected = m_shared.m_bConnected.load() ? 1 : 0;
    if (connected)
        AppendPendingText();
    if (connected != m_nLastConnected) {
        m_doc.SetTitle();
        // The worker reads the configured font in its connect step: apply it once the link is up.
        if (connected)
            ApplyLogFont();
    }
    if (connected != m_nLastConnected && m_pFrame)
        m_pFrame->UpdateCommandUi(); // the link state decides most commands' state
    m_nLastConnected = connected;
}

void CKestraExtView::WriteLogOnDisk(const QString& chunk) {
    if (const auto failure = m_pLogWriter->Write(m_shared, chunk)) {
        // Without waiting for the answer: the ticks go on and keep the text meanwhile.
        res::ShowMessageBoxLater(
            window(), res::FormatString(ids::IDS_LOG_WRITE_FAILED,
                                        {QDir::toNativeSeparators(failure->path), failure->error}));
    }
}

int64_t CKestraExtView::DisplayLineKey(int position) {
    if (position >= m_cacheFrom && position < m_cacheTo)
        return m_cacheKey;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return -1;
    // Makes sure the block is laid out at the current width (blocks far off screen may not be yet).
    document()->documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    const int offset = position - block.position();
    const QTextLine line = layout ? layout->lineForTextPosition(offset) : QTextLine();
    if (!line.isValid()) {
        m_cacheFrom = m_cacheTo = -1;
        return static_cast<int64_t>(block.blockNumber()) << 24;
    }
    m_cacheFrom = block.position() + line.textStart();
    m_cacheTo = m_cacheFrom + line.textLength();
    m_cacheKey = (static_cast<int64_t>(block.blockNumber()) << 24) | line.lineNumber();
    return m_cacheKey;
}

void CKestraExtView::DeleteRange(QTextCursor& cursor, int from, int to) {
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

int CKestraExtView::TextLength() const { return document()->characterCount() - 1; }

QChar CKestraExtView::CharAt(int position) const {
    const QChar c = document()->characterAt(position);
    return c == QChar::ParagraphSeparator ? QChar(u'\n') : c;
}

void CKestraExtView::AppendPendingText() {
    if (!m_shared.m_bConnected.load() || m_shared.m_bPaused.load())
        return;
    const QString chunk = m_shared.TakePendingText();
    const int maxLength = m_shared.m_nMaxTextLength.load();
    if (!chunk.isEmpty()) {
        // The log files receive every character received; only the view keeps the last M.
        WriteLogOnDisk(chunk);

        const viewlogic::ViewChunk shown = viewlogic::ChunkForView(chunk, maxLength, &m_bPendingCr, [](int leftOut) {
            return res::FormatString(ids::IDS_VIEW_LEFT_OUT, {QString::number(leftOut)});
        });
        const auto charAt = [this](int position) { return CharAt(position); };
        // One edit block: the document and its layout see one change per tick.
        QTextCursor edit(document());
        edit.beginEditBlock();
        const int bulk = viewlogic::BulkCutLength(TextLength(), charAt);
        if (bulk > 0)
            DeleteRange(edit, 0, bulk);

        m_cacheFrom = m_cacheTo = -1;
        const int prefix = viewlogic::TrimPrefixLength(TextLength(), charAt, static_cast<int>(shown.text.size()),
                                                      maxLength, [this](int position) { return DisplayLineKey(position); });
        m_cacheFrom = m_cacheTo = -1;
        if (prefix > 0)
            DeleteRange(edit, 0, prefix);

        // Incoming text always goes to the end; the selection ends up there.
        edit.movePosition(QTextCursor::End);
        edit.insertText(shown.text);
        edit.endEditBlock();
        setTextCursor(edit);
        RefreshFindHighlights();
    }
    m_doc.SetModifiedFlag(false);
}

// ---------------------------------------------------------------------------------------------------
// Saved text

QString CKestraExtView::ReportedText() const { return ::ReportedText(*document()); }

bool CKestraExtView::SaveViewText(const QString& path) { return SaveReportedText(*document(), path); }

// ---------------------------------------------------------------------------------------------------
// Commands

void CKestraExtView::ClearModifiedFlags() { m_doc.SetModifiedFlag(false); }

bool CKestraExtView::HasSelection() const { return textCursor().hasSelection(); }

void CKestraExtView::OnFileSave() {
    SaveViewText(m_shared.LogFolder() + QStringLiteral("log.txt")); // result ignored: nothing is shown
}

void CKestraExtView::OnFileSaveAs() { m_doc.DoSaveAs(window()); }

void CKestraExtView::OnFilePrint() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(m_pPrinter.get(), window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    print(m_pPrinter.get());
}

void CKestraExtView::OnFilePrintSetup() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPageSetupDialog dialog(m_pPrinter.get(), window());
    dialog.exec();
}

void CKestraExtView::OnEditCopy() {
    copy();
    ClearModifiedFlags();
}

void CKestraExtView::OnEditDelete() {
    textCursor().removeSelectedText();
    ClearModifiedFlags();
}

void CKestraExtView::OnEditClearAll() {
    selectAll();
    ensureCursorVisible();
    textCursor().removeSelectedText();
    ClearModifiedFlags();
}

void CKestraExtView::OnEditPause() { m_shared.m_bPaused.store(m_shared.m_bPaused.load() ? 0 : 1); }

void CKestraExtView::OnAlwaysOnTop() {
    m_shared.m_bAlwaysOnTop.store(m_shared.m_bAlwaysOnTop.load() ? 0 : 1);
    if (QWidget* top = m_pFrame ? static_cast<QWidget*>(m_pFrame) : window())
        ApplyAlwaysOnTop(top, m_shared.m_bAlwaysOnTop.load() != 0);
}

void CKestraExtView::ApplyAlwaysOnTop(QWidget* window, bool onTop) {
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow* handle = window->windowHandle()) {
        // The native window exists: change its stacking hint in place, so it is neither hidden, moved,
        // resized nor activated (setWindowFlags would re-create and hide it).
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window->setWindowFlags(flags);
    }
}

// ---------------------------------------------------------------------------------------------------
// The text limit applies to what the user types or pastes; incoming text is bounded by the pipeline.

int CKestraExtView::RoomForTyping() const {
    const int selected = static_cast<int>(textCursor().selectedText().size());
    return m_nTextLimit > 0 ? m_nTextLimit - TextLength() + selected : INT32_MAX;
}

void CKestraExtView::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool inserts = !text.isEmpty() && (text[0].isPrint() || event->key() == Qt::Key_Return ||
                                             event->key() == Qt::Key_Enter || event->key() == Qt::Key_Tab);
    if (inserts && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && RoomForTyping() < 1) {
        QApplication::beep();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CKestraExtView::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText())
        return;
    const int room = RoomForTyping();
    QString text = viewlogic::DisplayForm(source->text());
    if (room <= 0) {
        QApplication::beep();
        return;
    }
    if (text.size() > room)
        text.truncate(room);
    textCursor().insertText(text);
    ensureCursorVisible();
}
