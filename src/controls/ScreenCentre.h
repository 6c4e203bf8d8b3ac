#pragma once

class QWidget;

namespace ui {

// Shows the window centred on the screen its owner is on, every time it is shown, instead of over its owner
// as Qt places dialogs.
void centreOnScreen(QWidget* window);

} // namespace ui
