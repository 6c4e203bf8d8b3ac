#include "ScreenCentre.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

// Moves its window on the show event, which comes once the size is settled and before the window appears;
// the move also stops QDialog from placing the window over its owner. A window restored by the window
// system (a spontaneous show) stays where it was.
class ScreenCentring : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !event->spontaneous() && watched == parent()) {
            auto* window = static_cast<QWidget*>(watched);
            const QWidget* owner = window->parentWidget() ? window->parentWidget()->window() : window;
            if (const QScreen* screen = owner->screen() ? owner->screen() : window->screen()) {
                QRect frame = window->frameGeometry();
                frame.moveCenter(screen->availableGeometry().center());
                window->move(frame.topLeft());
            }
        }
        return false;
    }
};

} // namespace

void centreOnScreen(QWidget* window) {
    window->installEventFilter(new ScreenCentring(window));
}

} // namespace ui
