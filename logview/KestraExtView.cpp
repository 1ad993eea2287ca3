#include "logview/KestraExtView.h"

#include "logview/KestraExtDoc.h"
#include "logview/ViewText.h"
#include "logview/logic/TextTrimmer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

namespace {

// Log text needs no typographic shaping: without it (and without kerning) Latin text is laid out from
// the font's character map directly, several times faster; scripts that need shaping still get it.
QFont WithoutShaping(QFont font) {
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setKerning(false);
    return font;
}

// A face name is at most this long (31 characters and a terminator in the service's configuration).
constexpr int kMaxFaceNameLength = 31;

} // namespace

CKestraExtView::CKestraExtView(CKestraExtDoc& doc, QWidget* parent) : QPlainTextEdit(parent), m_doc(doc) {
    doc.AttachText(document());
    // Long lines wrap at the window's edge: no horizontal scrolling.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setFont(WithoutShaping(font()));
}

CKestraExtView::~CKestraExtView() = default;

void CKestraExtView::ApplyLogFont(const QString& faceName) {
    const QString name = faceName.left(kMaxFaceNameLength);
    if (name.isEmpty() || name == m_strAppliedFont)
        return; // no configured font: the control keeps its current one
    // The platform's default font with the configured face name. The character set has no counterpart
    // in a Unicode font, so only the face name is taken over.
    QFont font = WithoutShaping(QApplication::font(this));
    font.setFamily(name);
    m_strAppliedFont = name;
    setFont(font);
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------------
// Showing received text

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

void CKestraExtView::ShowChunk(const pipeline::ViewChunk& chunk, int maxLength) {
    if (!chunk.text.isEmpty()) {
        const auto charAt = [this](int position) { return CharAt(position); };
        // One edit block: the document and its layout see one change per chunk.
        QTextCursor edit(document());
        edit.beginEditBlock();
        const int bulk = viewlogic::BulkCutLength(TextLength(), charAt);
        if (bulk > 0)
            DeleteRange(edit, 0, bulk);

        // A marker for text left out stands on a line of its own, also after a line the view holds
        // unfinished.
        const bool ownLine = chunk.leftOut > 0 && TextLength() > 0 && CharAt(TextLength() - 1) != u'\n';
        const int length = static_cast<int>(chunk.text.size()) + (ownLine ? 1 : 0);
        m_cacheFrom = m_cacheTo = -1;
        const int prefix = viewlogic::TrimPrefixLength(TextLength(), charAt, length, maxLength,
                                                      [this](int position) { return DisplayLineKey(position); });
        m_cacheFrom = m_cacheTo = -1;
        if (prefix > 0)
            DeleteRange(edit, 0, prefix);

        // Incoming text always goes to the end; the selection ends up there.
        edit.movePosition(QTextCursor::End);
        const bool stillUnfinished = ownLine && TextLength() > 0 && CharAt(TextLength() - 1) != u'\n';
        edit.insertText(stillUnfinished ? u'\n' + chunk.text : chunk.text);
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
    QString text = pipeline::DisplayForm(source->text());
    if (room <= 0) {
        QApplication::beep();
        return;
    }
    if (text.size() > room)
        text.truncate(room);
    textCursor().insertText(text);
    ensureCursorVisible();
}
