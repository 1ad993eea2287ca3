#include "logview/DlgSave.h"

#include "logview/FileDialogs.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

CDlgSave::CDlgSave(QWidget* parent)
    : res::TemplateDialog(ids::IDD_SAVE_ON_DISK, parent),
      m_browse([this](QWidget* dialogParent) { return BrowseLogFile(dialogParent, m_strLogFolder); }) {
    // No longer a name than start-up reads back, so that what the user sees is what is used next time.
    if (auto* edit = ControlAs<QLineEdit>(ids::IDC_FILENAME))
        edit->setMaxLength(kMaxLogFileNameLength);
}

void CDlgSave::OnInitDialog() {
    // The edit gets the file name without its text update: the type's rule alone decides how the
    // dialog opens.
    m_rules = SaveOnDiskRules(m_nType, m_strFileName);
    if (auto* edit = ControlAs<QLineEdit>(ids::IDC_FILENAME)) {
        const QSignalBlocker blocker(edit);
        edit->setText(m_strFileName);
    }
    m_rules.Open();
    Apply();
}

void CDlgSave::Apply() {
    const SaveOnDiskRules::Controls& state = m_rules.State();
    for (int radio : {ids::IDC_RADIO_DISABLE, ids::IDC_RADIO_DATE, ids::IDC_RADIO_CUSTOM}) {
        if (auto* button = ControlAs<QRadioButton>(radio)) {
            if (state.checkedRadio == radio)
                button->setChecked(true);
        }
    }
    if (state.checkedRadio == 0) {
        // No radio button checked: an exclusive set needs its exclusivity lifted to clear them.
        for (int radio : {ids::IDC_RADIO_DISABLE, ids::IDC_RADIO_DATE, ids::IDC_RADIO_CUSTOM}) {
            if (auto* button = ControlAs<QRadioButton>(radio); button && button->isChecked()) {
                button->setAutoExclusive(false);
                button->setChecked(false);
                button->setAutoExclusive(true);
            }
        }
    }
    if (QWidget* ok = Control(ids::IDOK))
        ok->setEnabled(state.okEnabled);
    if (QWidget* edit = Control(ids::IDC_FILENAME))
        edit->setEnabled(state.fileNameEnabled);
    if (QWidget* browse = Control(ids::IDC_BROWSE))
        browse->setEnabled(state.fileNameEnabled);
    m_nType = m_rules.Type();
}

void CDlgSave::OnCommand(int id) {
    switch (id) {
    case ids::IDC_RADIO_DISABLE:
        m_rules.ChooseDisable();
        Apply();
        break;
    case ids::IDC_RADIO_DATE:
        m_rules.ChooseDate();
        Apply();
        break;
    case ids::IDC_RADIO_CUSTOM:
        m_rules.ChooseCustom();
        Apply();
        break;
    case ids::IDC_BROWSE: {
        const QString path = m_browse ? m_browse(this) : QString();
        if (path.size() > kMaxLogFileNameLength) {
            res::ShowMessageBox(this, res::FormatString(ids::IDS_FILE_NAME_TOO_LONG,
                                                        {QString::number(kMaxLogFileNameLength)}));
        } else if (!path.isEmpty()) {
            if (auto* edit = ControlAs<QLineEdit>(ids::IDC_FILENAME))
                edit->setText(path); // runs the edit rule
        }
        break;
    }
    default:
        res::TemplateDialog::OnCommand(id);
        break;
    }
}

void CDlgSave::OnEditChange(int id) {
    if (id != ids::IDC_FILENAME)
        return;
    if (auto* edit = ControlAs<QLineEdit>(ids::IDC_FILENAME)) {
        m_rules.EditChanged(edit->text());
        Apply();
    }
}

void CDlgSave::OnOK() {
    if (auto* edit = ControlAs<QLineEdit>(ids::IDC_FILENAME))
        m_rules.Accept(edit->text()); // read even when disabled
    m_strFileName = m_rules.FileName();
    m_nType = m_rules.Type();
    res::TemplateDialog::OnOK();
}

QString BrowseLogFile(QWidget* parent, const QString& logFolder) {
    return AskSaveFileName(parent, {logFolder,
                                    QString(),
                                    {QStringLiteral("Log File (*.Log)"), QStringLiteral("All Files (*.*)")},
                                    QStringLiteral("LOG")});
}

void RunSaveOnDiskCommand(LogOnDiskChoice& choice, const QString& logFolder, QWidget* parent) {
    CDlgSave dialog(parent);
    dialog.m_strLogFolder = logFolder;
    dialog.m_nType = choice.m_nLogOnDiskType.load();
    if (dialog.m_nType == kLogOnDiskCustom)
        dialog.m_strFileName = choice.m_strLogOnDiskFile;
    if (dialog.DoModal() != ids::IDOK)
        return;
    choice.m_nLogOnDiskType.store(dialog.m_nType);
    choice.m_strLogOnDiskFile = dialog.m_strFileName;
}
