// The About dialog (template 100): the program icon, "Kestra Version 1.0" and OK.
#pragma once

#include "res/widgets/TemplateDialog.h"

class CAboutDlg : public res::TemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The About command: shows CAboutDlg modally; nothing else.
void ShowAboutDialog(QWidget* parent);
