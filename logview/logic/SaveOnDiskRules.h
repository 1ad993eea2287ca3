// The enabling rules of the Save On Disk dialog, without widgets: which radio button is checked and
// whether OK, the file-name edit and "..." are enabled, after each user action.
//
// The type is 0 (disabled), 1 (one file per day) or 2 (custom file name). The file name is the dialog's
// member: the value it was opened with, replaced by the edit's text only when OK is pressed.
#pragma once

#include <QString>

class SaveOnDiskRules {
public:
    struct Controls {
        int checkedRadio = 0; // IDC_RADIO_DISABLE, IDC_RADIO_DATE, IDC_RADIO_CUSTOM, or 0 for none
        bool okEnabled = true;
        bool fileNameEnabled = true; // the edit and the "..." button
        bool operator==(const Controls&) const = default;
    };

    SaveOnDiskRules(int type, const QString& fileName) : m_type(type), m_fileName(fileName) {}

    // Opening: the type's rule. A type other than 0, 1 or 2 checks no radio button and leaves every
    // control as the template made it (OK enabled).
    void Open();
    void ChooseDisable();
    void ChooseDate();
    void ChooseCustom();
    // Each update of the edit's text: OK is enabled only when the edit holds at least one character.
    void EditChanged(const QString& editText);
    // OK: the edit's text (read even when the edit is disabled) becomes the file name.
    void Accept(const QString& editText) { m_fileName = editText; }

    int Type() const { return m_type; }
    const QString& FileName() const { return m_fileName; }
    const Controls& State() const { return m_controls; }

private:
    void Choose(int type, int radio);

    int m_type;
    QString m_fileName;
    Controls m_controls; // as the template creates them: nothing checked, everything enabled
};
