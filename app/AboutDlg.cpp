#include "app/AboutDlg.h"

#include "res/Icon.h"
#include "res/Ids.h"

CAboutDlg::CAboutDlg(QWidget* parent) : res::TemplateDialog(ids::IDD_ABOUTBOX, parent) {
    setWindowIcon(res::ProgramIcon());
}

void ShowAboutDialog(QWidget* parent) {
    CAboutDlg dialog(parent);
    dialog.DoModal();
}
