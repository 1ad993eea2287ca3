// The tag browser: the running project's tags as the service lists them, a filter field that narrows
// the list as the user types, sorting by any column; OK, Enter or a double-click picks the current tag,
// Cancel and Esc pick nothing.
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TagTableView;

class TagBrowserDialog : public QDialog {
    Q_OBJECT
public:
    explicit TagBrowserDialog(QWidget* parent = nullptr);

    // Reads the tags from the service on the process's active link (toolkit TagList). When that fails,
    // the dialog says so and offers nothing to pick; returns the toolkit's result.
    int32_t LoadTags();
    void SetTags(QList<MiraboTagInfo> tags);

    // The tag picked with OK or a double-click; empty after Cancel.
    QString PickedName() const { return m_picked; }

    QLineEdit* FilterField() const { return m_filter; }
    TagTableView* Table() const { return m_table; }

public Q_SLOTS:
    void accept() override;

private:
    void UpdateState();

    QLineEdit* m_filter;
    TagTableView* m_table;
    QLabel* m_status;
    QPushButton* m_ok;
    QString m_picked;
    QString m_error;
};

// What Orbelle writes into the caller's buffer of kOrbelleNameMax + 1 code units: at most
// kOrbelleNameMax units of `name` (never half a surrogate pair) and a terminator.
constexpr int kOrbelleNameMax = 2048;
void WriteOrbelleName(const QString& name, char16_t* buffer);
