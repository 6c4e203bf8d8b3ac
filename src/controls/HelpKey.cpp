#include "HelpKey.h"

#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <QShortcut>

namespace ui {

void installHelpKey(QDialog* dialog, QAbstractButton* helpButton) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), dialog);
    key->setObjectName(QStringLiteral("HelpKey"));
    QObject::connect(key, &QShortcut::activated, helpButton, [button = QPointer(helpButton)] {
        if (button && button->isEnabled())
            button->click();
    });
}

} // namespace ui
