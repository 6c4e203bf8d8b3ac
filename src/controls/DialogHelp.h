#pragma once

class QAbstractButton;
class QDialog;

namespace ui {

// F1 anywhere in the dialog does what its Help button does, and nothing while the button is disabled. The
// dialog blocks only the window it belongs to, so the help window it opens stays usable beside it.
void installDialogHelp(QDialog* dialog, QAbstractButton* helpButton);

} // namespace ui
