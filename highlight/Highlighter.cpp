#include "highlight/Highlighter.h"

#include <re2/re2.h>

#include <algorithm>

namespace highlight {

namespace {

// The matcher's memory for one expression (it falls back to a slower, still linear, way beyond it).
constexpr int64_t kMaxMatcherMemory = 8 << 20;

// UTF-16 offsets of UTF-8 byte offsets, for the matches of one line, found in increasing order.
class OffsetMap {
public:
    explicit OffsetMap(const std::string& utf8) : m_utf8(utf8) {}
    qsizetype Utf16At(size_t byte) {
        if (byte < m_byte) {
            m_byte = 0;
            m_utf16 = 0;
        }
        while (m_byte < byte && m_byte < m_utf8.size()) {
            const auto c = static_cast<unsigned char>(m_utf8[m_byte]);
            const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            m_utf16 += length == 4 ? 2 : 1;
            m_byte += length;
        }
        return m_utf16;
    }

private:
    const std::string& m_utf8;
    size_t m_byte = 0;
    qsizetype m_utf16 = 0;
};

} // namespace

struct Highlighter::Compiled {
    std::unique_ptr<RE2> expression; // null for plain text
    QString text;
    Qt::CaseSensitivity cs = Qt::CaseInsensitive;
};

Highlighter::Highlighter(std::vector<Rule> rules) : m_rules(std::move(rules)) {
    m_compiled.resize(m_rules.size());
    m_problems.resize(m_rules.size(), Problem::None);
    m_details.resize(m_rules.size());
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i];
        if (!rule.enabled)
            continue;
        if (rule.pattern.isEmpty()) {
            m_problems[i] = Problem::EmptyPattern;
            continue;
        }
        if (!rule.foreground && !rule.background) {
            m_problems[i] = Problem::NoColour;
            continue;
        }
        auto compiled = std::make_unique<Compiled>();
        compiled->cs = rule.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        if (!rule.regularExpression) {
            // Without regard to case, the line is folded once and every pattern found in it as it is.
            compiled->text = rule.pattern;
            if (!rule.matchCase) {
                for (QChar& c : compiled->text)
                    c = c.toCaseFolded(); // as the line is folded: one character at a time
            }
            m_anyFolded = m_anyFolded || !rule.matchCase;
            m_compiled[i] = std::move(compiled);
            continue;
        }
        if (rule.pattern.size() > kMaxPatternLength) {
            m_problems[i] = Problem::TooLong; // nobody writes one by hand; a pasted one could ask for much memory
            continue;
        }
        RE2::Options options;
        options.set_case_sensitive(rule.matchCase);
        options.set_log_errors(false);
        options.set_max_mem(kMaxMatcherMemory);
        const std::string pattern = rule.pattern.toStdString();
        compiled->expression = std::make_unique<RE2>(pattern, options);
        if (!compiled->expression->ok()) {
            m_problems[i] = Problem::BadExpression;
            m_details[i] = QString::fromStdString(compiled->expression->error());
            continue;
        }
        if (RE2::PartialMatch("", *compiled->expression)) {
            m_problems[i] = Problem::MatchesEmpty;
            continue;
        }
        m_anyRegex = true;
        m_compiled[i] = std::move(compiled);
    }
}

Highlighter::~Highlighter() = default;

Problem Highlighter::ProblemOf(size_t index) const {
    return index < m_problems.size() ? m_problems[index] : Problem::None;
}

QString Highlighter::ProblemDetail(size_t index) const { return index < m_details.size() ? m_details[index] : QString(); }

bool Highlighter::IsEmpty() const {
    return std::none_of(m_compiled.begin(), m_compiled.end(), [](const auto& c) { return c != nullptr; });
}

std::vector<Span> Highlighter::Apply(QStringView line) const {
    if (line.isEmpty())
        return {};
    // Which rule last set each character's text and background colour (-1: none).
    std::vector<int> foreground;
    std::vector<int> background;
    const auto paint = [&](size_t rule, qsizetype from, qsizetype to) {
        if (foreground.empty()) {
            foreground.assign(static_cast<size_t>(line.size()), -1);
            background.assign(static_cast<size_t>(line.size()), -1);
        }
        const Rule& r = m_rules[rule];
        for (qsizetype i = std::max<qsizetype>(from, 0); i < std::min(to, line.size()); ++i) {
            if (r.foreground)
                foreground[static_cast<size_t>(i)] = static_cast<int>(rule);
            if (r.background)
                background[static_cast<size_t>(i)] = static_cast<int>(rule);
        }
    };

    std::string utf8;
    if (m_anyRegex)
        utf8 = line.toUtf8().toStdString();
    // Folded into a buffer of this thread's own, character by character, so that a line costs no
    // allocation; a character folds alone, which keeps every position where it was.
    thread_local QString folded;
    if (m_anyFolded) {
        folded.resize(line.size());
        QChar* out = folded.data();
        for (qsizetype i = 0; i < line.size(); ++i)
            out[i] = line[i].toCaseFolded();
    }
    for (size_t i = 0; i < m_compiled.size(); ++i) {
        const Compiled* c = m_compiled[i].get();
        if (!c)
            continue;
        const bool whole = m_rules[i].scope == Scope::Line;
        if (!c->expression) {
            const bool useFolded = c->cs == Qt::CaseInsensitive;
            const QStringView haystack = useFolded ? QStringView(folded).first(line.size()) : line;
            const Qt::CaseSensitivity cs = Qt::CaseSensitive;
            for (qsizetype at = haystack.indexOf(c->text, 0, cs); at >= 0;
                 at = haystack.indexOf(c->text, at + c->text.size(), cs)) {
                if (whole) {
                    paint(i, 0, line.size());
                    break;
                }
                paint(i, at, at + c->text.size());
            }
            continue;
        }
        re2::StringPiece input(utf8);
        re2::StringPiece match;
        OffsetMap offsets(utf8);
        size_t from = 0;
        while (from <= utf8.size() &&
               c->expression->Match(input, from, utf8.size(), RE2::UNANCHORED, &match, 1)) {
            if (whole) {
                paint(i, 0, line.size());
                break;
            }
            const size_t begin = static_cast<size_t>(match.data() - utf8.data());
            const size_t end = begin + match.size();
            if (end > begin)
                paint(i, offsets.Utf16At(begin), offsets.Utf16At(end));
            from = end > begin ? end : end + 1; // an empty match moves on by one
        }
    }
    if (foreground.empty())
        return {};

    std::vector<Span> spans;
    for (qsizetype i = 0; i < line.size();) {
        const int fg = foreground[static_cast<size_t>(i)];
        const int bg = background[static_cast<size_t>(i)];
        qsizetype j = i + 1;
        while (j < line.size() && foreground[static_cast<size_t>(j)] == fg && background[static_cast<size_t>(j)] == bg)
            ++j;
        if (fg >= 0 || bg >= 0) {
            Span span{i, j - i, std::nullopt, std::nullopt};
            if (fg >= 0)
                span.foreground = m_rules[static_cast<size_t>(fg)].foreground;
            if (bg >= 0)
                span.background = m_rules[static_cast<size_t>(bg)].background;
            spans.push_back(span);
        }
        i = j;
    }
    return spans;
}

} // namespace highlight
