// The Save On Disk dialog: its enabling rules (with and without widgets) and the command around it.
#include "common/StationParts.h"
#include "logview/DlgSave.h"
#include "logview/logic/SaveOnDiskRules.h"
#include "res/Ids.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Controls = SaveOnDiskRules::Controls;

struct DialogState {
    int checked = 0;
    bool ok = false, edit = false, browse = false;
    QString text;
};

DialogState StateOf(CDlgSave& dialog) {
    DialogState state;
    for (int id : {ids::IDC_RADIO_DISABLE, ids::IDC_RADIO_DATE, ids::IDC_RADIO_CUSTOM}) {
        if (dialog.ControlAs<QRadioButton>(id)->isChecked())
            state.checked = state.checked ? -1 : id; // -1: more than one
    }
    state.ok = dialog.Control(ids::IDOK)->isEnabled();
    state.edit = dialog.Control(ids::IDC_FILENAME)->isEnabled();
    state.browse = dialog.Control(ids::IDC_BROWSE)->isEnabled();
    state.text = dialog.ControlAs<QLineEdit>(ids::IDC_FILENAME)->text();
    return state;
}

// Runs the command with `act` acting on the modal dialog once it is up.
void RunCommandWith(StationParts& app, const std::function<void(CDlgSave&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<CDlgSave*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
    RunSaveOnDiskCommand(app.m_logOnDisk, app.m_channel.LogFolder(), nullptr);
}

} // namespace

TEST(SaveOnDiskRules, OpeningFollowsTheType) {
    SaveOnDiskRules disabled(0, "");
    disabled.Open();
    EXPECT_EQ(disabled.State(), (Controls{ids::IDC_RADIO_DISABLE, true, false}));
    SaveOnDiskRules date(1, "");
    date.Open();
    EXPECT_EQ(date.State(), (Controls{ids::IDC_RADIO_DATE, true, false}));
    SaveOnDiskRules custom(2, "a.log");
    custom.Open();
    EXPECT_EQ(custom.State(), (Controls{ids::IDC_RADIO_CUSTOM, true, true}));
    SaveOnDiskRules unnamed(2, "");
    unnamed.Open();
    EXPECT_EQ(unnamed.State(), (Controls{ids::IDC_RADIO_CUSTOM, false, true}));
    SaveOnDiskRules odd(5, "");
    odd.Open();
    EXPECT_EQ(odd.State().checkedRadio, 0);
    EXPECT_TRUE(odd.State().fileNameEnabled);
    EXPECT_TRUE(odd.State().okEnabled) << "every control as the template made it";
    EXPECT_EQ(odd.Type(), 5);
}

TEST(SaveOnDiskRules, CustomLooksAtTheOpeningNameNotTheEdit) {
    SaveOnDiskRules rules(1, "");
    rules.Open();
    rules.ChooseCustom();
    EXPECT_EQ(rules.State(), (Controls{ids::IDC_RADIO_CUSTOM, false, true}));
    rules.EditChanged("x");
    EXPECT_TRUE(rules.State().okEnabled);
    rules.EditChanged("");
    EXPECT_FALSE(rules.State().okEnabled);
    rules.EditChanged("x");
    rules.ChooseDate();
    rules.ChooseCustom(); // the member is still empty: OK goes off although the edit holds "x"
    EXPECT_FALSE(rules.State().okEnabled);
    rules.Accept("x");
    EXPECT_EQ(rules.FileName(), "x");
    EXPECT_EQ(rules.Type(), 2);
}

TEST(SaveOnDiskDialog, TypeOneOpensWithAnEmptyDisabledEdit) {
    CDlgSave dialog;
    dialog.m_nType = 1;
    dialog.show();
    DialogState state = StateOf(dialog);
    EXPECT_EQ(state.checked, ids::IDC_RADIO_DATE);
    EXPECT_TRUE(state.ok);
    EXPECT_FALSE(state.edit);
    EXPECT_FALSE(state.browse);
    EXPECT_TRUE(state.text.isEmpty());

    dialog.ControlAs<QRadioButton>(ids::IDC_RADIO_CUSTOM)->click();
    state = StateOf(dialog);
    EXPECT_EQ(state.checked, ids::IDC_RADIO_CUSTOM);
    EXPECT_FALSE(state.ok);
    EXPECT_TRUE(state.edit);
    EXPECT_TRUE(state.browse);
    QTest::keyClicks(dialog.Control(ids::IDC_FILENAME), "p.log");
    EXPECT_TRUE(StateOf(dialog).ok);
    dialog.ControlAs<QLineEdit>(ids::IDC_FILENAME)->clear();
    EXPECT_FALSE(StateOf(dialog).ok);

    // "..." puts the chosen path into the edit; a cancelled file dialog changes nothing.
    dialog.m_browse = [](QWidget*) { return QStringLiteral("/data/logs/plant.LOG"); };
    dialog.ControlAs<QPushButton>(ids::IDC_BROWSE)->click();
    EXPECT_EQ(StateOf(dialog).text, "/data/logs/plant.LOG");
    EXPECT_TRUE(StateOf(dialog).ok);
    dialog.m_browse = [](QWidget*) { return QString(); };
    dialog.ControlAs<QPushButton>(ids::IDC_BROWSE)->click();
    EXPECT_EQ(StateOf(dialog).text, "/data/logs/plant.LOG");
    dialog.ControlAs<QPushButton>(ids::IDOK)->click();
    EXPECT_EQ(dialog.result(), ids::IDOK);
    EXPECT_EQ(dialog.m_nType, 2);
    EXPECT_EQ(dialog.m_strFileName, "/data/logs/plant.LOG");
}

TEST(SaveOnDiskDialog, RefusesANameLongerThanStartUpReadsBack) {
    // Start-up reads "FileName" into 260 characters with the terminator: 259 are kept.
    CDlgSave dialog;
    dialog.m_nType = 2;
    dialog.show();
    auto* edit = dialog.ControlAs<QLineEdit>(ids::IDC_FILENAME);
    const QString tooLong = "/logs/" + QString(260, u'n') + ".log";
    QTest::keyClicks(edit, tooLong);
    EXPECT_EQ(edit->text(), tooLong.left(259));

    edit->setText("short.log");
    QString told;
    dialog.m_browse = [&](QWidget*) {
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                told = box->text();
                box->accept();
            }
        });
        return tooLong;
    };
    dialog.ControlAs<QPushButton>(ids::IDC_BROWSE)->click();
    EXPECT_EQ(edit->text(), "short.log");
    EXPECT_TRUE(told.contains("259")) << told.toStdString();
}

TEST(SaveOnDiskDialog, UnknownTypeChecksNoRadioButtonAndLeavesTheRestAsItIs) {
    CDlgSave dialog;
    dialog.m_nType = 5;
    dialog.show();
    const DialogState state = StateOf(dialog);
    EXPECT_EQ(state.checked, 0);
    EXPECT_TRUE(state.ok) << "a stored type the dialog does not know must not lock the user in";
    EXPECT_TRUE(state.edit);
    EXPECT_TRUE(state.browse);
}

TEST(SaveOnDiskCommand, DateKeepsTheStoredNameAndCancelChangesNothing) {
    StationParts app;
    app.m_logOnDisk.m_nLogOnDiskType = 2;
    app.m_logOnDisk.m_strLogOnDiskFile = "custom.log";
    RunCommandWith(app, [](CDlgSave& dialog) {
        EXPECT_EQ(StateOf(dialog).checked, ids::IDC_RADIO_CUSTOM);
        EXPECT_EQ(StateOf(dialog).text, "custom.log");
        dialog.ControlAs<QRadioButton>(ids::IDC_RADIO_DATE)->click();
        EXPECT_FALSE(StateOf(dialog).edit);
        dialog.ControlAs<QPushButton>(ids::IDOK)->click();
    });
    EXPECT_EQ(app.m_logOnDisk.m_nLogOnDiskType.load(), 1);
    EXPECT_EQ(app.m_logOnDisk.m_strLogOnDiskFile, "custom.log"); // the disabled edit still held it

    // Opened with a type other than 2 the dialog starts with no name, so Disable clears the stored one.
    RunCommandWith(app, [](CDlgSave& dialog) {
        EXPECT_TRUE(StateOf(dialog).text.isEmpty());
        dialog.ControlAs<QRadioButton>(ids::IDC_RADIO_CUSTOM)->click();
        QTest::keyClicks(dialog.Control(ids::IDC_FILENAME), "other.log");
        dialog.ControlAs<QPushButton>(ids::IDCANCEL)->click();
    });
    EXPECT_EQ(app.m_logOnDisk.m_nLogOnDiskType.load(), 1);
    EXPECT_EQ(app.m_logOnDisk.m_strLogOnDiskFile, "custom.log");

    RunCommandWith(app, [](CDlgSave& dialog) {
        dialog.ControlAs<QRadioButton>(ids::IDC_RADIO_DISABLE)->click();
        dialog.ControlAs<QPushButton>(ids::IDOK)->click();
    });
    EXPECT_EQ(app.m_logOnDisk.m_nLogOnDiskType.load(), 0);
    EXPECT_TRUE(app.m_logOnDisk.m_strLogOnDiskFile.isEmpty());
}

TEST(SaveOnDiskDialog, BrowseAsksForALogFileToSaveInTheLogFolder) {
    QTemporaryDir logFolder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), logFolder.path());
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->defaultSuffix(), "LOG");
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"Log File (*.Log)", "All Files (*.*)"}));
        dialog->reject();
    });
    EXPECT_TRUE(BrowseLogFile(nullptr, logFolder.path() + u'/').isEmpty());
}
