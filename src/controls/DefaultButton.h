#pragma once

#include <QList>

#include <functional>

class QLineEdit;
class QPushButton;

namespace ui {

// The default button of a page. Outside a dialog a push button's default flag only draws it as the default;
// this gives the page a dialog's Enter as well: Enter in any of the entry fields clicks the button, when it
// is enabled and the fields are filled as `ready` says (without `ready`, enabled is enough).
class DefaultButton {
public:
    static void install(QPushButton* button, const QList<QLineEdit*>& fields,
                        std::function<bool()> ready = {});
};

} // namespace ui
