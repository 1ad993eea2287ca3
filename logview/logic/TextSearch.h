// Finding text in the log view: plain text with or without regard to case, or a regular expression,
// forwards or backwards from a position, wrapping at either end of the text.
#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringView>

#include <optional>

namespace viewlogic {

struct TextMatch {
    int start = 0;
    int length = 0;
    int end() const { return start + length; }
    bool operator==(const TextMatch&) const = default;
};

class TextSearch {
public:
    TextSearch() = default;
    TextSearch(const QString& pattern, bool matchCase, bool regularExpression);

    // An empty pattern finds nothing; an invalid expression finds nothing and says why.
    bool IsEmpty() const { return m_pattern.isEmpty(); }
    bool IsValid() const { return m_error.isEmpty(); }
    const QString& Error() const { return m_error; }

    // Every match in the text, in order; at most `limit` of them. Matches never overlap, and an expression
    // that matches the empty string finds nothing there.
    QList<TextMatch> FindAll(QStringView text, int limit = 100000) const;

    // The first match at or after `from` (forward), or the last one that ends at or before `from`
    // (backward). When there is none on that side, the search goes on from the other end of the text and
    // `wrapped` is set. std::nullopt when the text holds no match at all.
    std::optional<TextMatch> Find(QStringView text, int from, bool forward, bool* wrapped = nullptr) const;

private:
    std::optional<TextMatch> FirstFrom(QStringView text, int from) const;
    std::optional<TextMatch> LastBefore(QStringView text, int before) const;

    QString m_pattern;
    bool m_matchCase = false;
    bool m_regex = false;
    QRegularExpression m_expression;
    QString m_error;
};

} // namespace viewlogic
