// CCheckCredentialDlg: asks for a user name and password when the log service demands a logon
// (template 133, "Check Credential"). The dialog opens with the focus on OK; the labels' mnemonics move
// it to the edits. OK takes both texts (without validation) and ends with 1, Cancel ends with 2 and
// leaves the members as they were.
#pragma once

#include "res/widgets/TemplateDialog.h"

#include <QString>

class CCheckCredentialDlg : public res::TemplateDialog {
    Q_OBJECT
public:
    explicit CCheckCredentialDlg(QWidget* parent = nullptr);
    ~CCheckCredentialDlg() override;

    QString m_strUserName;
    QString m_strPassword;

protected:
    void OnInitDialog() override;
    void OnOK() override;

private:
    // Moves the members into the controls (false) or the controls' texts into the members (true).
    void DoDataExchange(bool saveAndValidate);
};
