#include "DefaultButton.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace ui {

void DefaultButton::install(QPushButton* button, const QList<QLineEdit*>& fields,
                            std::function<bool()> ready) {
    button->setDefault(true);
    for (QLineEdit* field : fields)
        QObject::connect(field, &QLineEdit::returnPressed, button, [button = QPointer(button), ready] {
            if (button && button->isEnabled() && button->isVisible() && (!ready || ready()))
                button->click();
        });
}

} // namespace ui
