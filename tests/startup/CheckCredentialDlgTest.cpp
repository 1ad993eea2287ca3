// The credential dialog: layout from template 133, focus, password mode and data exchange.
#include "app/CheckCredentialDlg.h"

#include "res/Ids.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(CheckCredentialDlg, OpensWithFocusOnOkAndHidesThePassword) {
    CCheckCredentialDlg dlg;
    dlg.m_strUserName = QStringLiteral("op");
    dlg.show();
    QApplication::processEvents();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Check Credential"));
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(ids::IDOK));
    auto* password = dlg.ControlAs<QLineEdit>(ids::IDC_PASSWORD);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg.ControlAs<QLineEdit>(ids::IDC_USERNAME)->text(), QStringLiteral("op"));
    dlg.close();
}

TEST(CheckCredentialDlg, OkTakesTheTextsCancelLeavesThem) {
    for (const int button : {ids::IDOK, ids::IDCANCEL}) {
        CCheckCredentialDlg dlg;
        QTimer::singleShot(0, &dlg, [&dlg, button] {
            dlg.ControlAs<QLineEdit>(ids::IDC_USERNAME)->setText(QStringLiteral("user 1"));
            dlg.ControlAs<QLineEdit>(ids::IDC_PASSWORD)->setText(QStringLiteral(" secret "));
            dlg.ControlAs<QPushButton>(button)->click();
        });
        const int result = dlg.DoModal();
        EXPECT_EQ(result, button);
        if (button == ids::IDOK) {
            EXPECT_EQ(dlg.m_strUserName, QStringLiteral("user 1"));
            EXPECT_EQ(dlg.m_strPassword, QStringLiteral(" secret "));
        } else {
            EXPECT_EQ(dlg.m_strUserName, QString());
            EXPECT_EQ(dlg.m_strPassword, QString());
        }
    }
}
