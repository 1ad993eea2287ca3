// The find bar at the bottom of the log window (Ctrl+F): a search field, toggles for match case and
// regular expressions, Next and Previous, and a short status. It only asks; the view searches.
//
// Keys in the field: typing searches as you type, Enter the next match, Shift+Enter the previous one,
// Esc closes the bar. The window's F3 and Shift+F3 do the same as Enter and Shift+Enter.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(QWidget* parent = nullptr);

    QString Pattern() const;
    bool MatchCase() const;
    bool RegularExpression() const;

    // Shows the bar with the focus in the field, its text selected.
    void Open();
    void ShowStatus(const QString& text, bool problem = false);
    QLineEdit* Field() const { return m_field; }

Q_SIGNALS:
    void searchChanged();
    void findRequested(bool forward);
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field;
    QCheckBox* m_matchCase;
    QCheckBox* m_regex;
    QLabel* m_status;
};
