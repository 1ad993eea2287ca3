#include "logview/logic/TextSearch.h"

#include <algorithm>

namespace viewlogic {

TextSearch::TextSearch(const QString& pattern, bool matchCase, bool regularExpression)
    : m_pattern(pattern), m_matchCase(matchCase), m_regex(regularExpression) {
    if (!m_regex || m_pattern.isEmpty())
        return;
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!m_matchCase)
        options |= QRegularExpression::CaseInsensitiveOption;
    m_expression = QRegularExpression(m_pattern, options);
    if (!m_expression.isValid())
        m_error = m_expression.errorString();
    else
        m_expression.optimize();
}

std::optional<TextMatch> TextSearch::FirstFrom(QStringView text, int from) const {
    if (IsEmpty() || !IsValid() || from < 0 || from > text.size())
        return std::nullopt;
    if (!m_regex) {
        const qsizetype at =
            text.indexOf(m_pattern, from, m_matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
        if (at < 0)
            return std::nullopt;
        return TextMatch{static_cast<int>(at), static_cast<int>(m_pattern.size())};
    }
    for (auto it = m_expression.globalMatch(text.toString(), from); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() > 0)
            return TextMatch{static_cast<int>(match.capturedStart()),
                             static_cast<int>(match.capturedLength())};
    }
    return std::nullopt;
}

std::optional<TextMatch> TextSearch::LastBefore(QStringView text, int before) const {
    // The matches that end at or before `before`, found front to back: the last one of them.
    std::optional<TextMatch> last;
    for (int from = 0;;) {
        const std::optional<TextMatch> match = FirstFrom(text, from);
        if (!match || match->end() > before)
            return last;
        last = match;
        from = match->end();
    }
}

QList<TextMatch> TextSearch::FindAll(QStringView text, int limit) const {
    QList<TextMatch> all;
    if (IsEmpty() || !IsValid())
        return all;
    if (m_regex) {
        const QString copy = text.toString();
        for (auto it = m_expression.globalMatch(copy); it.hasNext() && all.size() < limit;) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() > 0)
                all.append(
                    {static_cast<int>(match.capturedStart()), static_cast<int>(match.capturedLength())});
        }
        return all;
    }
    const Qt::CaseSensitivity cs = m_matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype at = text.indexOf(m_pattern, 0, cs); at >= 0 && all.size() < limit;
         at = text.indexOf(m_pattern, at + m_pattern.size(), cs))
        all.append({static_cast<int>(at), static_cast<int>(m_pattern.size())});
    return all;
}

std::optional<TextMatch> TextSearch::Find(QStringView text, int from, bool forward, bool* wrapped) const {
    if (wrapped)
        *wrapped = false;
    from = std::clamp<int>(from, 0, static_cast<int>(text.size()));
    std::optional<TextMatch> match = forward ? FirstFrom(text, from) : LastBefore(text, from);
    if (match)
        return match;
    match = forward ? FirstFrom(text, 0) : LastBefore(text, static_cast<int>(text.size()));
    if (match && wrapped)
        *wrapped = true;
    return match;
}

} // namespace viewlogic
