// Dialogs built from templates: dialog units, control kinds and places, tab order, results, About.
#include "res/widgets/MessageBox.h"
#include "res/widgets/TemplateDialog.h"
#include "app/AboutDlg.h"
#include "res/Icon.h"
#include "res/Ids.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class ClickRecorder : public res::TemplateDialog {
public:
    using res::TemplateDialog::TemplateDialog;
    QList<int> clicks;

protected:
    void OnCommand(int id) override {
        clicks.append(id);
        res::TemplateDialog::OnCommand(id);
    }
};

} // namespace

TEST(DialogUnits, ConversionFollowsTheFont) {
    QFont font = QApplication::font();
    const QSize base = res::TemplateDialog::BaseUnits(font);
    EXPECT_GE(base.width(), 3);
    EXPECT_LE(base.width(), 20);
    EXPECT_GE(base.height(), 8);
    EXPECT_LE(base.height(), 40);
    EXPECT_GT(base.height(), base.width());
    // 4 horizontal units are one average character, 8 vertical units one character height.
    EXPECT_EQ(res::TemplateDialog::MapDialogRect(QRect(4, 8, 40, 16), font),
              QRect(base.width(), base.height(), base.width() * 10, base.height() * 2));
    font.setPointSizeF(font.pointSizeF() * 2);
    const QSize big = res::TemplateDialog::BaseUnits(font);
    EXPECT_GT(big.width(), base.width());
    EXPECT_GT(big.height(), base.height());
}

TEST(TemplateDialog, BuildsEveryControlAtItsPlace) {
    res::TemplateDialog dialog(ids::IDD_CHECK_CREDENTIAL);
    EXPECT_EQ(dialog.windowTitle(), "Check Credential");
    EXPECT_EQ(dialog.size(), dialog.MapDialogRect(QRect(0, 0, 196, 68)).size());
    auto* ok = dialog.ControlAs<QPushButton>(ids::IDOK);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->geometry(), dialog.MapDialogRect(QRect(84, 47, 50, 14)));
    auto* password = dialog.ControlAs<QLineEdit>(ids::IDC_PASSWORD);
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    auto* user = dialog.ControlAs<QLineEdit>(ids::IDC_USERNAME);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->echoMode(), QLineEdit::Normal);
    auto* label = dialog.ControlAs<QLabel>(203);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->alignment() & Qt::AlignRight);
    EXPECT_EQ(label->buddy(), user); // "&User Name:" moves the focus to the edit after it
    EXPECT_EQ(dialog.ControlAs<QLabel>(205)->buddy(), password);
    EXPECT_EQ(dialog.Control(4711), nullptr);
    EXPECT_EQ(dialog.Control(-1), nullptr);
    EXPECT_EQ(dialog.ControlAt(1), dialog.Control(ids::IDCANCEL));
    // Template order is the tab order.
    EXPECT_EQ(ok->nextInFocusChain(), dialog.Control(ids::IDCANCEL));

    res::TemplateDialog tags(ids::IDD_LOG_TAGS);
    EXPECT_NE(tags.ControlAs<QListWidget>(1000), nullptr);
    res::TemplateDialog opc(ids::IDD_OPC_LOG_CONFIG);
    auto* combo = opc.ControlAs<QComboBox>(1017);
    ASSERT_NE(combo, nullptr);
    EXPECT_LT(combo->height(), opc.MapDialogRect(QRect(0, 0, 72, 30)).height()); // closed box: one line
    res::TemplateDialog save(ids::IDD_SAVE_ON_DISK);
    auto* group = qobject_cast<QGroupBox*>(save.ControlAt(3));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "File Name");
}

TEST(TemplateDialog, ButtonsOneAndTwoEndWithOkAndCancel) {
    {
        ClickRecorder dialog(ids::IDD_ADD_TAG);
        QTimer::singleShot(0, &dialog, [&] { dialog.ControlAs<QPushButton>(ids::IDOK)->click(); });
        EXPECT_EQ(dialog.DoModal(), ids::IDOK);
        EXPECT_EQ(dialog.clicks, QList<int>{ids::IDOK});
    }
    {
        ClickRecorder dialog(ids::IDD_ADD_TAG);
        QTimer::singleShot(0, &dialog, [&] { dialog.ControlAs<QPushButton>(ids::IDCANCEL)->click(); });
        EXPECT_EQ(dialog.DoModal(), ids::IDCANCEL);
    }
    {
        ClickRecorder dialog(ids::IDD_ADD_TAG);
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
        EXPECT_EQ(dialog.DoModal(), ids::IDCANCEL);
        EXPECT_TRUE(dialog.clicks.isEmpty());
    }
}

TEST(AboutDialog, ShowsIconVersionLineAndOk) {
    EXPECT_FALSE(res::ProgramIcon().isNull());
    EXPECT_FALSE(res::ProgramIcon().pixmap(32, 32).toImage().isNull());
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "About Kestra");
    auto* icon = qobject_cast<QLabel*>(dialog.ControlAt(0));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* line = qobject_cast<QLabel*>(dialog.ControlAt(1));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "Kestra Version 1.0");
    QTimer::singleShot(0, &dialog, [&] { dialog.ControlAs<QPushButton>(ids::IDOK)->click(); });
    EXPECT_EQ(dialog.DoModal(), ids::IDOK);
}

TEST(MessageBoxes, ErrorBoxCarriesTheApplicationTitle) {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool topmost = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        topmost = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        box->accept();
    });
    res::ShowMessageBox(nullptr, "Invalid <b>Credential</b>", res::MessageIcon::Error, true);
    EXPECT_EQ(caption, "Kestra");
    EXPECT_EQ(text, "Invalid <b>Credential</b>");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_TRUE(topmost);
}
