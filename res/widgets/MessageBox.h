// The program's message boxes: modal, captioned with the application title (string 57344).
#pragma once

#include <QString>

class QWidget;

namespace res {

enum class MessageIcon { None, Error };

// Shows `text` with an OK button; `topmost` keeps the box above every other window.
void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::Error,
                    bool topmost = false);

} // namespace res
