// The program's message boxes: modal, captioned with the application title (string 57344).
#pragma once

#include <QString>

class QWidget;

namespace res {

enum class MessageIcon { None, Error };

// Shows `text` with an OK button and waits for it; `topmost` keeps the box above every other window.
// The box takes the keyboard focus.
void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::Error,
                    bool topmost = false);
// Shows an error box over `parent`'s window and returns at once; the box goes when the user closes it.
void ShowMessageBoxLater(QWidget* parent, const QString& text);
// Asks a question with Yes and No (strings 61450, 61451; No is the default, as the cautious answer) and
// waits for it; true for Yes. `topmost` as for ShowMessageBox.
bool AskYesNo(QWidget* parent, const QString& text, bool topmost = false);

} // namespace res
