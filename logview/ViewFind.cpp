// The log view's side of the find bar: what is searched, which match is current, and the highlights,
// which follow the text as it arrives and is trimmed.
#include "logview/KestraExtView.h"

#include "logview/FindBar.h"
#include "logview/logic/TextSearch.h"
#include "res/Ids.h"
#include "res/Resources.h"

#include <QTextBlock>

namespace {

QTextCharFormat Highlight(const QColor& background) {
    QTextCharFormat format;
    format.setBackground(background);
    format.setForeground(Qt::black);
    return format;
}

} // namespace

void CKestraExtView::AttachFindBar(CFindBar* bar) {
    m_findBar = bar;
    connect(bar, &CFindBar::searchChanged, this, [this] { OnSearchChanged(); });
    connect(bar, &CFindBar::findRequested, this, [this](bool forward) { FindAgain(forward); });
    connect(bar, &CFindBar::closeRequested, this, [this] { CloseFind(); });
}

void CKestraExtView::OpenFind() {
    if (!m_findBar)
        return;
    // Typing searches from the caret as it is now.
    m_findAnchor = textCursor().selectionStart();
    m_findBar->Open();
    OnSearchChanged();
}

void CKestraExtView::CloseFind() {
    if (!m_findBar)
        return;
    m_findBar->hide();
    m_currentMatch = QTextCursor();
    setExtraSelections({});
    setFocus(Qt::OtherFocusReason);
}

bool CKestraExtView::FindOpen() const {
    return m_findBar && m_findBar->isVisible();
}

void CKestraExtView::OnSearchChanged() {
    m_currentMatch = QTextCursor();
    Search(m_findAnchor, true);
}

void CKestraExtView::FindAgain(bool forward) {
    if (!m_findBar)
        return;
    if (!FindOpen())
        m_findBar->Open();
    int from = textCursor().selectionStart();
    if (!m_currentMatch.isNull() && m_currentMatch.hasSelection())
        from = forward ? m_currentMatch.selectionEnd() : m_currentMatch.selectionStart();
    Search(from, forward);
}

void CKestraExtView::Search(int from, bool forward) {
    const viewlogic::TextSearch search(m_findBar->Pattern(), m_findBar->MatchCase(),
                                       m_findBar->RegularExpression());
    if (!search.IsValid()) {
        m_currentMatch = QTextCursor();
        setExtraSelections({});
        m_findBar->ShowStatus(res::FormatString(ids::IDS_FIND_BAD_EXPRESSION, {search.Error()}), true);
        return;
    }
    bool wrapped = false;
    const QString text = toPlainText();
    const std::optional<viewlogic::TextMatch> match = search.Find(text, from, forward, &wrapped);
    if (match) {
        QTextCursor cursor(document());
        cursor.setPosition(match->start);
        cursor.setPosition(match->end(), QTextCursor::KeepAnchor);
        m_currentMatch = cursor;
        setTextCursor(cursor); // shows it, and the next search goes on from here
    } else {
        m_currentMatch = QTextCursor();
    }
    HighlightMatches(search, text);
    if (search.IsEmpty())
        m_findBar->ShowStatus(QString());
    else if (!match)
        m_findBar->ShowStatus(res::String(ids::IDS_FIND_NOT_FOUND), true);
    else if (wrapped)
        m_findBar->ShowStatus(res::String(ids::IDS_FIND_WRAPPED));
}

void CKestraExtView::RefreshFindHighlights() {
    if (!FindOpen())
        return;
    const viewlogic::TextSearch search(m_findBar->Pattern(), m_findBar->MatchCase(),
                                       m_findBar->RegularExpression());
    // A current match that the trim took away is simply gone.
    if (!m_currentMatch.isNull() && !m_currentMatch.hasSelection())
        m_currentMatch = QTextCursor();
    HighlightMatches(search, toPlainText());
}

void CKestraExtView::HighlightMatches(const viewlogic::TextSearch& search, const QString& text) {
    QList<QTextEdit::ExtraSelection> selections;
    const QList<viewlogic::TextMatch> matches = search.FindAll(text, kMaxHighlights);
    selections.reserve(matches.size() + 1);
    const QTextCharFormat every = Highlight(QColor(255, 232, 128));
    for (const viewlogic::TextMatch& m : matches) {
        QTextCursor cursor(document());
        cursor.setPosition(m.start);
        cursor.setPosition(m.end(), QTextCursor::KeepAnchor);
        selections.append({cursor, every});
    }
    if (!m_currentMatch.isNull() && m_currentMatch.hasSelection())
        selections.append({m_currentMatch, Highlight(QColor(255, 150, 50))});
    setExtraSelections(selections);
    if (!search.IsEmpty() && search.IsValid() && !matches.isEmpty())
        m_findBar->ShowStatus(res::FormatString(ids::IDS_FIND_MATCHES, {QString::number(matches.size())}));
}
