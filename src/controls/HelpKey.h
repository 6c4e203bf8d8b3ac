#pragma once

class QAbstractButton;
class QDialog;

namespace ui {

// F1 anywhere in the dialog does what its Help button does, and nothing while the button is disabled.
void installHelpKey(QDialog* dialog, QAbstractButton* helpButton);

} // namespace ui
