// libOrbelleExt.so: the tag browser that Kestra loads at run time by file name and calls through Orbelle.
// It runs inside the calling program and uses that program's toolkit (the shared libmirabo_toolkit.so),
// so it lists the tags of the station the caller's active link is connected to.
#include "orbelle/TagBrowserDialog.h"

#include <QApplication>

// Shows the browser modally over the caller's active window. When the user picks a tag, its name (at
// most 2048 code units) and a terminator are written into `name`, which holds 2049 code units, and the
// result is 1; otherwise `name` is left alone and the result is 0. The other arguments are unused.
extern "C" Q_DECL_EXPORT int Orbelle(char16_t* name, int, int, int) {
    if (!name || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    ToolkitInit();
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                        : QApplication::activeWindow();
    TagBrowserDialog dialog(owner);
    dialog.LoadTags();
    const bool picked = dialog.exec() == QDialog::Accepted && !dialog.PickedName().isEmpty();
    if (picked)
        WriteOrbelleName(dialog.PickedName(), name);
    ToolkitExit();
    return picked ? 1 : 0;
}
