#include "dialogs/HighlightRulesDlg.h"

#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSyntaxHighlighter>
#include <QVBoxLayout>

#include <utility>

using highlight::Problem;
using highlight::Rule;

namespace {

constexpr highlight::Rgb kNewRuleColour = 0x1060D0;

// The preview's colours: the rules as they stand, line by line.
class PreviewColours : public QSyntaxHighlighter {
public:
    PreviewColours(QTextDocument* document, std::function<const highlight::Highlighter&()> rules)
        : QSyntaxHighlighter(document), m_rules(std::move(rules)) {}

protected:
    void highlightBlock(const QString& text) override {
        for (const highlight::Span& span : m_rules().Apply(text)) {
            QTextCharFormat format;
            if (span.foreground)
                format.setForeground(QColor::fromRgb(*span.foreground));
            if (span.background)
                format.setBackground(QColor::fromRgb(*span.background));
            setFormat(static_cast<int>(span.start), static_cast<int>(span.length), format);
        }
    }

private:
    std::function<const highlight::Highlighter&()> m_rules;
};

void ShowSwatch(QPushButton* button, const std::optional<highlight::Rgb>& colour) {
    const QColor c = colour ? QColor::fromRgb(*colour) : QColor();
    button->setStyleSheet(colour ? QStringLiteral("background-color: %1; color: %2;")
                                       .arg(c.name(), c.lightness() > 140 ? QStringLiteral("black") : QStringLiteral("white"))
                                 : QString());
}

} // namespace

highlight::DefaultNames LocalDefaultNames() {
    return {res::String(ids::IDS_HL_NAME_WARNINGS), res::String(ids::IDS_HL_NAME_ERRORS),
            res::String(ids::IDS_HL_NAME_FAILURES), res::String(ids::IDS_HL_NAME_ALARMS)};
}

QString DescribeFileProblems(const std::vector<highlight::FileProblem>& problems) {
    using FP = highlight::FileProblem;
    QStringList lines;
    for (const FP& p : problems) {
        switch (p.kind) {
        case FP::TooLong:
            lines << res::FormatString(ids::IDS_HL_FP_TOO_LONG, {p.value});
            break;
        case FP::LaterVersion:
            lines << res::FormatString(ids::IDS_HL_FP_LATER, {QString::number(p.line), p.value});
            break;
        case FP::NotKeyValue:
            lines << res::FormatString(ids::IDS_HL_FP_NOT_KEY, {QString::number(p.line), p.value});
            break;
        case FP::NoPattern:
            lines << res::FormatString(ids::IDS_HL_FP_NO_PATTERN, {QString::number(p.line)});
            break;
        case FP::BadKind:
            lines << res::FormatString(ids::IDS_HL_FP_BAD_KIND, {QString::number(p.line), p.value});
            break;
        case FP::BadYesNo:
            lines << res::FormatString(ids::IDS_HL_FP_BAD_YESNO, {QString::number(p.line), p.value});
            break;
        case FP::BadColour:
            lines << res::FormatString(ids::IDS_HL_FP_BAD_COLOUR, {QString::number(p.line), p.value});
            break;
        case FP::BadScope:
            lines << res::FormatString(ids::IDS_HL_FP_BAD_SCOPE, {QString::number(p.line), p.value});
            break;
        }
    }
    return lines.join(u'\n');
}

CHighlightRulesDlg::CHighlightRulesDlg(std::vector<Rule> rules, QWidget* parent)
    : QDialog(parent), m_rules(std::move(rules)), m_compiled(std::make_unique<highlight::Highlighter>(m_rules)) {
    setWindowTitle(res::String(ids::IDS_HL_TITLE));
    m_askColour = [this](const QColor& initial) { return QColorDialog::getColor(initial, this); };
    m_askFile = [this](bool forWriting) {
        const QString filter = res::String(ids::IDS_HL_FILES);
        return forWriting ? QFileDialog::getSaveFileName(this, res::String(ids::IDS_HL_EXPORT).remove(u'&'), QString(), filter)
                          : QFileDialog::getOpenFileName(this, res::String(ids::IDS_HL_IMPORT).remove(u'&'), QString(), filter);
    };
    m_tell = [this](const QString& text) { res::ShowMessageBox(this, text); };
    BuildLayout();
    Refresh();
    Select(m_rules.empty() ? -1 : 0);
}

CHighlightRulesDlg::~CHighlightRulesDlg() = default;

void CHighlightRulesDlg::BuildLayout() {
    auto* top = new QVBoxLayout(this);
    auto* rulesLabel = new QLabel(res::String(ids::IDS_HL_RULES), this);
    top->addWidget(rulesLabel);

    auto* middle = new QHBoxLayout;
    m_list = new QListWidget(this);
    rulesLabel->setBuddy(m_list);
    middle->addWidget(m_list, 1);
    auto* buttons = new QVBoxLayout;
    const auto button = [&](int text, auto slot) {
        auto* b = new QPushButton(res::String(text), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button(ids::IDS_HL_ADD, [this] { AddRule(); });
    button(ids::IDS_HL_REMOVE, [this] { RemoveRule(); });
    button(ids::IDS_HL_UP, [this] { MoveRule(-1); });
    button(ids::IDS_HL_DOWN, [this] { MoveRule(1); });
    buttons->addStretch();
    button(ids::IDS_HL_DEFAULTS, [this] { RestoreDefaults(); });
    button(ids::IDS_HL_IMPORT, [this] { Import(); });
    button(ids::IDS_HL_EXPORT, [this] { Export(); });
    middle->addLayout(buttons);
    top->addLayout(middle, 1);

    // The rule being edited.
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_pattern = new QLineEdit(this);
    m_pattern->setMaxLength(static_cast<int>(highlight::kMaxPatternLength));
    form->addRow(res::String(ids::IDS_HL_NAME), m_name);
    form->addRow(res::String(ids::IDS_HL_PATTERN), m_pattern);
    auto* flags = new QHBoxLayout;
    m_regex = new QCheckBox(res::String(ids::IDS_HL_REGEX), this);
    m_matchCase = new QCheckBox(res::String(ids::IDS_HL_MATCH_CASE), this);
    m_enabled = new QCheckBox(res::String(ids::IDS_HL_ENABLED), this);
    m_regex->setObjectName(QStringLiteral("regularExpression"));
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    m_enabled->setObjectName(QStringLiteral("enabled"));
    flags->addWidget(m_regex);
    flags->addWidget(m_matchCase);
    flags->addWidget(m_enabled);
    flags->addStretch();
    form->addRow(flags);
    auto* colours = new QHBoxLayout;
    m_useText = new QCheckBox(res::String(ids::IDS_HL_TEXT_COLOUR), this);
    m_textColour = new QPushButton(res::String(ids::IDS_HL_CHOOSE), this);
    m_useBack = new QCheckBox(res::String(ids::IDS_HL_BACK_COLOUR), this);
    m_backColour = new QPushButton(res::String(ids::IDS_HL_CHOOSE), this);
    for (QPushButton* b : {m_textColour, m_backColour})
        b->setAutoDefault(false);
    colours->addWidget(m_useText);
    colours->addWidget(m_textColour);
    colours->addSpacing(12);
    colours->addWidget(m_useBack);
    colours->addWidget(m_backColour);
    colours->addStretch();
    form->addRow(colours);
    auto* scope = new QHBoxLayout;
    m_wholeLine = new QRadioButton(res::String(ids::IDS_HL_WHOLE_LINE), this);
    m_onlyMatch = new QRadioButton(res::String(ids::IDS_HL_ONLY_MATCH), this);
    scope->addWidget(m_wholeLine);
    scope->addWidget(m_onlyMatch);
    scope->addStretch();
    form->addRow(scope);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    form->addRow(m_problem);
    top->addLayout(form);

    top->addWidget(new QLabel(res::String(ids::IDS_HL_PREVIEW), this));
    m_preview = new QPlainTextEdit(res::String(ids::IDS_HL_SAMPLE), this);
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_preview->setMaximumHeight(m_preview->fontMetrics().lineSpacing() * 7);
    m_previewColours = new PreviewColours(m_preview->document(), [this]() -> const highlight::Highlighter& { return *m_compiled; });
    top->addWidget(m_preview);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(box);

    connect(m_list, &QListWidget::currentRowChanged, this, [this] { ShowRule(); });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int row = m_list->row(item);
        if (m_showing || row < 0 || row >= static_cast<int>(m_rules.size()))
            return;
        m_rules[static_cast<size_t>(row)].enabled = item->checkState() == Qt::Checked;
        if (row == Current())
            ShowRule();
        Refresh();
    });
    for (QLineEdit* edit : {m_name, m_pattern})
        connect(edit, &QLineEdit::textChanged, this, [this] { TakeRule(); });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{m_regex, m_matchCase, m_enabled, m_useText,
                                                                       m_useBack, m_wholeLine, m_onlyMatch})
        connect(b, &QAbstractButton::toggled, this, [this] { TakeRule(); });
    connect(m_textColour, &QPushButton::clicked, this, [this] { ChooseColour(true); });
    connect(m_backColour, &QPushButton::clicked, this, [this] { ChooseColour(false); });
    resize(720, 600);
}

int CHighlightRulesDlg::Current() const { return m_list->currentRow(); }

void CHighlightRulesDlg::Select(int index) {
    m_list->setCurrentRow(index);
    ShowRule();
}

void CHighlightRulesDlg::ShowRule() {
    const int row = Current();
    const bool have = row >= 0 && row < static_cast<int>(m_rules.size());
    for (QWidget* w : std::initializer_list<QWidget*>{m_name, m_pattern, m_regex, m_matchCase, m_enabled, m_useText,
                                                       m_useBack, m_textColour, m_backColour, m_wholeLine, m_onlyMatch})
        w->setEnabled(have);
    const bool wasShowing = std::exchange(m_showing, true);
    const Rule rule = have ? m_rules[static_cast<size_t>(row)] : Rule{};
    m_name->setText(rule.name);
    m_pattern->setText(rule.pattern);
    m_regex->setChecked(rule.regularExpression);
    m_matchCase->setChecked(rule.matchCase);
    m_enabled->setChecked(rule.enabled);
    m_useText->setChecked(rule.foreground.has_value());
    m_useBack->setChecked(rule.background.has_value());
    ShowSwatch(m_textColour, rule.foreground);
    ShowSwatch(m_backColour, rule.background);
    (rule.scope == highlight::Scope::Line ? m_wholeLine : m_onlyMatch)->setChecked(true);
    m_problem->setText(have ? ProblemText(static_cast<size_t>(row)) : QString());
    m_showing = wasShowing;
}

void CHighlightRulesDlg::TakeRule() {
    const int row = Current();
    if (m_showing || row < 0 || row >= static_cast<int>(m_rules.size()))
        return;
    Rule& rule = m_rules[static_cast<size_t>(row)];
    rule.name = m_name->text();
    rule.pattern = m_pattern->text();
    rule.regularExpression = m_regex->isChecked();
    rule.matchCase = m_matchCase->isChecked();
    rule.enabled = m_enabled->isChecked();
    rule.scope = m_wholeLine->isChecked() ? highlight::Scope::Line : highlight::Scope::Match;
    // A colour switched on again comes back as it was shown; one never chosen gets a visible default.
    if (!m_useText->isChecked())
        rule.foreground.reset();
    else if (!rule.foreground)
        rule.foreground = kNewRuleColour;
    if (!m_useBack->isChecked())
        rule.background.reset();
    else if (!rule.background)
        rule.background = 0xFFF0A0;
    ShowSwatch(m_textColour, rule.foreground);
    ShowSwatch(m_backColour, rule.background);
    Refresh();
}

void CHighlightRulesDlg::ChooseColour(bool text) {
    const int row = Current();
    if (row < 0 || row >= static_cast<int>(m_rules.size()))
        return;
    std::optional<highlight::Rgb>& target =
        text ? m_rules[static_cast<size_t>(row)].foreground : m_rules[static_cast<size_t>(row)].background;
    const QColor chosen = m_askColour(target ? QColor::fromRgb(*target) : QColor(Qt::black));
    if (!chosen.isValid())
        return;
    target = chosen.rgb() & 0xFFFFFF;
    ShowRule();
    Refresh();
}

QString CHighlightRulesDlg::ListText(size_t index) const {
    const Rule& rule = m_rules[index];
    QString text = rule.name.isEmpty() ? rule.pattern : rule.name + QStringLiteral(" \u2014 ") + rule.pattern;
    if (m_compiled->ProblemOf(index) != Problem::None)
        text = QStringLiteral("\u26a0 ") + text;
    return text;
}

QString CHighlightRulesDlg::ProblemText(size_t index) const {
    QString why;
    switch (m_compiled->ProblemOf(index)) {
    case Problem::None:
        return QString();
    case Problem::EmptyPattern:
        why = res::String(ids::IDS_HL_EMPTY_PATTERN);
        break;
    case Problem::NoColour:
        why = res::String(ids::IDS_HL_NO_COLOUR);
        break;
    case Problem::TooLong:
        why = res::FormatString(ids::IDS_HL_TOO_LONG, {QString::number(highlight::kMaxPatternLength)});
        break;
    case Problem::BadExpression:
        why = res::FormatString(ids::IDS_HL_BAD_EXPRESSION, {m_compiled->ProblemDetail(index)});
        break;
    case Problem::MatchesEmpty:
        why = res::String(ids::IDS_HL_MATCHES_EMPTY);
        break;
    }
    return why + u' ' + res::String(ids::IDS_HL_RULE_OFF);
}

void CHighlightRulesDlg::Refresh() {
    m_compiled = std::make_unique<highlight::Highlighter>(m_rules);
    const int row = Current();
    const QSignalBlocker quiet(m_list); // rebuilding the list changes no rule
    m_list->clear();
    for (size_t i = 0; i < m_rules.size(); ++i) {
        auto* item = new QListWidgetItem(ListText(i), m_list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_rules[i].enabled ? Qt::Checked : Qt::Unchecked);
        if (m_rules[i].foreground)
            item->setForeground(QColor::fromRgb(*m_rules[i].foreground));
        if (m_rules[i].background)
            item->setBackground(QColor::fromRgb(*m_rules[i].background));
    }
    m_list->setCurrentRow(std::min(row, static_cast<int>(m_rules.size()) - 1));
    if (Current() >= 0)
        m_problem->setText(ProblemText(static_cast<size_t>(Current())));
    m_previewColours->rehighlight();
}

void CHighlightRulesDlg::AddRule() {
    Rule rule;
    rule.name = res::String(ids::IDS_HL_NEW_RULE);
    rule.foreground = kNewRuleColour;
    m_rules.push_back(rule);
    Refresh();
    Select(static_cast<int>(m_rules.size()) - 1);
    m_pattern->setFocus();
}

void CHighlightRulesDlg::RemoveRule() {
    const int row = Current();
    if (row < 0 || row >= static_cast<int>(m_rules.size()))
        return;
    m_rules.erase(m_rules.begin() + row);
    Refresh();
    Select(std::min(row, static_cast<int>(m_rules.size()) - 1));
}

void CHighlightRulesDlg::MoveRule(int by) {
    const int row = Current();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(m_rules.size()))
        return;
    std::swap(m_rules[static_cast<size_t>(row)], m_rules[static_cast<size_t>(to)]);
    Refresh();
    Select(to);
}

void CHighlightRulesDlg::RestoreDefaults() {
    m_rules = highlight::DefaultRules(LocalDefaultNames());
    Refresh();
    Select(0);
}

void CHighlightRulesDlg::Import() {
    const QString path = m_askFile(false);
    if (path.isEmpty())
        return;
    const highlight::LoadedRules loaded = highlight::ReadRulesFile(path);
    if (!loaded.problems.empty())
        m_tell(res::FormatString(ids::IDS_HL_FILE_PROBLEMS, {path, DescribeFileProblems(loaded.problems)}));
    if (!loaded.found)
        return;
    m_rules = loaded.rules;
    Refresh();
    Select(m_rules.empty() ? -1 : 0);
}

void CHighlightRulesDlg::Export() {
    const QString path = m_askFile(true);
    if (path.isEmpty())
        return;
    const QString error = highlight::WriteRulesFile(path, m_rules);
    if (!error.isEmpty())
        m_tell(res::FormatString(ids::IDS_HL_FILE_FAILED, {path, error}));
}

std::optional<std::vector<Rule>> RunHighlightRulesDialog(const QString& path, QWidget* parent) {
    CHighlightRulesDlg dialog(highlight::RulesInEffect(path, LocalDefaultNames()).rules, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QString error = highlight::WriteRulesFile(path, dialog.Rules());
    if (!error.isEmpty()) {
        res::ShowMessageBox(parent, res::FormatString(ids::IDS_HL_FILE_FAILED, {path, error}));
        return std::nullopt;
    }
    return dialog.Rules();
}
