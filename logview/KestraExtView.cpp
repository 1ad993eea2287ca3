#include "logview/KestraExtView.h"

#include "logview/KestraExtDoc.h"
#include "logview/ViewText.h"
#include "logview/logic/TextTrimmer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocumentFragment>
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

QTextCharFormat ColouredFormat(const highlight::Span& span) {
    QTextCharFormat format;
    if (span.foreground)
        format.setForeground(QColor::fromRgb(*span.foreground));
    if (span.background)
        format.setBackground(QColor::fromRgb(*span.background));
    return format;
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
        InsertColoured(edit, stillUnfinished ? u'\n' + chunk.text : chunk.text);
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
    PrintableCopy()->print(m_pPrinter.get());
}

std::unique_ptr<QTextDocument> CKestraExtView::PrintableCopy() const {
    auto copy = std::make_unique<QTextDocument>();
    copy->setDefaultFont(font());
    copy->setPlainText(toPlainText());
    return copy;
}

QMimeData* CKestraExtView::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(textCursor().selection().toPlainText());
    return data;
}

void CKestraExtView::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    if (!m_contextActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_contextActions);
    }
    menu->exec(event->globalPos());
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
// Colours

void CKestraExtView::InsertColoured(QTextCursor& cursor, const QString& text) {
    const QTextCharFormat plain;
    if (!m_highlighter || m_highlighter->IsEmpty()) {
        cursor.insertText(text, plain);
        return;
    }
    // Lines without colour go in together; a coloured line in its runs.
    qsizetype pendingFrom = 0;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        const std::vector<highlight::Span> spans = m_highlighter->Apply(QStringView(text).mid(start, end - start));
        if (!spans.empty()) {
            if (start > pendingFrom)
                cursor.insertText(text.mid(pendingFrom, start - pendingFrom), plain);
            qsizetype at = start;
            for (const highlight::Span& span : spans) {
                if (start + span.start > at)
                    cursor.insertText(text.mid(at, start + span.start - at), plain);
                cursor.insertText(text.mid(start + span.start, span.length), ColouredFormat(span));
                at = start + span.start + span.length;
            }
            pendingFrom = at;
        }
        start = next;
    }
    if (pendingFrom < text.size())
        cursor.insertText(text.mid(pendingFrom), plain);
}

void CKestraExtView::SetHighlighter(std::shared_ptr<const highlight::Highlighter> highlighter) {
    m_highlighter = std::move(highlighter);
    Recolour();
}

void CKestraExtView::Recolour() {
    // The text the view holds takes the new colours too; what the user changed stays changed.
    const bool modified = m_doc.IsModified();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(QTextCharFormat());
    if (m_highlighter && !m_highlighter->IsEmpty()) {
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            for (const highlight::Span& span : m_highlighter->Apply(block.text())) {
                cursor.setPosition(block.position() + static_cast<int>(span.start));
                cursor.setPosition(block.position() + static_cast<int>(span.start + span.length), QTextCursor::KeepAnchor);
                cursor.setCharFormat(ColouredFormat(span));
            }
        }
    }
    cursor.endEditBlock();
    m_doc.SetModifiedFlag(modified);
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
