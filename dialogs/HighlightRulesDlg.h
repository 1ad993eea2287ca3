// The highlight rules editor (Ctrl+Shift+L, or the log view's context menu): the rules in the order they
// are tried, each one's pattern, kind, case, colours and scope, a live preview on sample text, a rule that
// takes no part shown as such with the reason, import, export and the defaults. OK hands the rules back;
// the caller keeps them (RunHighlightRulesDialog writes the per-user file).
#pragma once

#include "highlight/Highlighter.h"
#include "highlight/RulesFile.h"

#include <QColor>
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSyntaxHighlighter;

class CHighlightRulesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CHighlightRulesDlg(std::vector<highlight::Rule> rules, QWidget* parent = nullptr);
    ~CHighlightRulesDlg() override;

    const std::vector<highlight::Rule>& Rules() const { return m_rules; }
    // The compiled rules as they stand (what the preview shows).
    const highlight::Highlighter& Compiled() const { return *m_compiled; }

    // The dialogs this one opens, replaceable so that tests need no modal dialog: a colour (invalid:
    // cancelled), and a file to read or write (empty: cancelled).
    std::function<QColor(const QColor& initial)> m_askColour;
    std::function<QString(bool forWriting)> m_askFile;
    // A message to the user (import and export failures).
    std::function<void(const QString& text)> m_tell;

    // The rule being edited (-1: none).
    int Current() const;
    void Select(int index);
    // What the editor's controls do, for tests that do not click.
    QLineEdit* PatternEdit() const { return m_pattern; }
    QLabel* ProblemLabel() const { return m_problem; }
    QPlainTextEdit* Preview() const { return m_preview; }

    // The buttons' work.
    void AddRule();
    void RemoveRule();
    void MoveRule(int by);
    void RestoreDefaults();
    void Import();
    void Export();

private:
    void BuildLayout();
    void ShowRule();    // the current rule into the controls
    void TakeRule();    // the controls into the current rule
    void Refresh();     // list texts, problem, preview
    QString ListText(size_t index) const;
    QString ProblemText(size_t index) const;
    void ChooseColour(bool text);

    std::vector<highlight::Rule> m_rules;
    std::unique_ptr<highlight::Highlighter> m_compiled;
    bool m_showing = false; // the controls are being filled: their signals change nothing

    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_pattern = nullptr;
    QCheckBox* m_regex = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_enabled = nullptr;
    QCheckBox* m_useText = nullptr;
    QCheckBox* m_useBack = nullptr;
    QPushButton* m_textColour = nullptr;
    QPushButton* m_backColour = nullptr;
    QRadioButton* m_wholeLine = nullptr;
    QRadioButton* m_onlyMatch = nullptr;
    QLabel* m_problem = nullptr;
    QPlainTextEdit* m_preview = nullptr;
    QSyntaxHighlighter* m_previewColours = nullptr;
};

// The editor on the rules of `path` (the defaults when there is none); OK writes them there and returns
// them, Cancel returns nothing. A write that fails is told and returns nothing.
std::optional<std::vector<highlight::Rule>> RunHighlightRulesDialog(const QString& path, QWidget* parent);

// The default rules' names in the user's language.
highlight::DefaultNames LocalDefaultNames();

// The rules file's problems as the user reads them, one per line (empty when there are none).
QString DescribeFileProblems(const std::vector<highlight::FileProblem>& problems);
