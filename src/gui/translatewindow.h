#pragma once

#include <QString>

class QWidget;

namespace Translation {
// Translates a window in place: its title (key window name + ".Caption") and every named
// panel, label, button, check box, radio button, group box and menu item it owns (key
// window name + "." + element name), each with its current text as default and the first
// "[ " of the result turned into a blank. Nothing changes when the language file is
// missing. An error on one element is shown in a message box and the next one is handled.
void translateWindow(QWidget *window, const QString &language);
} // namespace Translation
