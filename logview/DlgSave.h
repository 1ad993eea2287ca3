// The Save On Disk dialog (template 104) and the command that runs it: the user chooses whether each
// received chunk is also appended to a file per day, to one named file, or to no file.
#pragma once

#include "logview/logic/SaveOnDiskRules.h"
#include "res/widgets/TemplateDialog.h"
#include "state/LogOnDiskChoice.h"

#include <functional>

class CDlgSave : public res::TemplateDialog {
    Q_OBJECT
public:
    explicit CDlgSave(QWidget* parent = nullptr);

    // The members the command sets before running the dialog and reads after OK.
    QString m_strFileName; // exchanged with edit 1005
    int m_nType = 0;       // 0, 1 or 2, tracked by the radio buttons
    QString m_strLogFolder; // where "..." opens

    // The platform's save dialog behind "..."; returns the chosen full path, empty on Cancel.
    // Replaceable so that tests need no modal file dialog.
    std::function<QString(QWidget*)> m_browse;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    void OnEditChange(int id) override;
    void OnOK() override;

private:
    void Apply();

    SaveOnDiskRules m_rules{0, QString()};
};

// The Save On Disk command: the dialog opens with the choice's type, and with its file name only when
// the type is custom; OK copies both back, Cancel changes nothing. Nothing is written to the settings
// file here (the frame writes it at close). "..." opens in `logFolder`.
void RunSaveOnDiskCommand(LogOnDiskChoice& choice, const QString& logFolder, QWidget* parent);

// The "..." file dialog: save mode, opening in the log folder with no file name, default suffix "LOG",
// confirmation before an existing file is chosen, two filters.
QString BrowseLogFile(QWidget* parent, const QString& logFolder);
