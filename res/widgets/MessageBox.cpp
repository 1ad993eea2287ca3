#include "res/widgets/MessageBox.h"

#include "res/Ids.h"
#include "res/Resources.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace res {
namespace {

QMessageBox* NewBox(QWidget* parent, const QString& text, MessageIcon icon) {
    auto* box = new QMessageBox(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                                String(ids::IDS_APP_TITLE), text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon, bool topmost) {
    const std::unique_ptr<QMessageBox> box(NewBox(parent, text, icon));
    if (topmost)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Once shown: in front, with the keyboard focus, whatever window had it before.
    QTimer::singleShot(0, box.get(), [shown = box.get()] {
        shown->raise();
        shown->activateWindow();
    });
    box->exec();
}

bool AskYesNo(QWidget* parent, const QString& text, bool topmost) {
    QMessageBox box(QMessageBox::Warning, String(ids::IDS_APP_TITLE), text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText(String(ids::IDS_BUTTON_YES));
    box.button(QMessageBox::No)->setText(String(ids::IDS_BUTTON_NO));
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    if (topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    QTimer::singleShot(0, &box, [&box] {
        box.raise();
        box.activateWindow();
    });
    return box.exec() == QMessageBox::Yes;
}

void ShowMessageBoxLater(QWidget* parent, const QString& text) {
    QMessageBox* box = NewBox(parent, text, MessageIcon::Error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

} // namespace res
