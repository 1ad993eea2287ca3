#include "app/CheckCredentialDlg.h"

#include "res/Ids.h"

#include <QLineEdit>
#include <QPushButton>

CCheckCredentialDlg::CCheckCredentialDlg(QWidget* parent) : res::TemplateDialog(ids::IDD_CHECK_CREDENTIAL, parent) {}

CCheckCredentialDlg::~CCheckCredentialDlg() = default;

void CCheckCredentialDlg::DoDataExchange(bool saveAndValidate) {
    auto* user = ControlAs<QLineEdit>(ids::IDC_USERNAME);
    auto* password = ControlAs<QLineEdit>(ids::IDC_PASSWORD);
    if (saveAndValidate) {
        if (user)
            m_strUserName = user->text();
        if (password)
            m_strPassword = password->text();
    } else {
        if (user)
            user->setText(m_strUserName);
        if (password)
            password->setText(m_strPassword);
    }
}

void CCheckCredentialDlg::OnInitDialog() {
    DoDataExchange(false);
    // OK stands first in the template, so it has the focus when the dialog opens.
    if (QWidget* ok = Control(ids::IDOK))
        ok->setFocus(Qt::OtherFocusReason);
}

void CCheckCredentialDlg::OnOK() {
    DoDataExchange(true);
    done(ids::IDOK);
}
