#include "DialogHelp.h"

#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <QShortcut>

namespace ui {

void installDialogHelp(QDialog* dialog, QAbstractButton* helpButton) {
    dialog->setWindowModality(Qt::WindowModal);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    key->setObjectName(QStringLiteral("HelpKey"));
    QObject::connect(key, &QShortcut::activated, helpButton, [button = QPointer(helpButton)] {
        if (button && button->isEnabled())
            button->click();
    });
}

} // namespace ui
