#include "GuardedApplication.h"

#include "EngineError.h"
#include "MessageService.h"

#include <exception>

namespace ui {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
    }
    // The event was delivered, even if its handler failed; nobody else should try it again.
    return true;
}

void GuardedApplication::showCurrentException() {
    try {
        throw;
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
}

void GuardedApplication::showError(const QString& text) {
    // The error box runs its own event loop. A page that fails again while it is up (a paint of the damaged
    // grid, a timer) would otherwise open box after box; those repeats go to the log instead.
    if (showing_) {
        qWarning("Error while an error box is shown: %s", qUtf8Printable(text));
        return;
    }
    showing_ = true;
    ++shown_;
    try {
        showMessage(MessageKind::Error, text, MessageButtons::Ok, activeWindow());
    } catch (...) {
        qWarning("The error box could not be shown: %s", qUtf8Printable(text));
    }
    showing_ = false;
}

} // namespace ui
