#include "res/widgets/MessageBox.h"

#include "res/Ids.h"
#include "res/Resources.h"

#include <QMessageBox>

namespace res {

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon, bool topmost) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    String(ids::IDS_APP_TITLE), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    if (topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

} // namespace res
