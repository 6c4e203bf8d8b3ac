#pragma once

#include "EngineError.h"
#include "MessageService.h"

#include <exception>

// Runs a step of a user action; a failure of the table layer (or any other) is shown in an error box with its
// message text and the program goes on, as the general error handling does. Returns false on failure.
template <typename F> bool GuardedCall(QWidget* parent, F&& step) {
    try {
        step();
        return true;
    } catch (const engine::EngineError& e) {
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, parent);
    } catch (const std::exception& e) {
        ui::showMessage(ui::MessageKind::Error, QString::fromLocal8Bit(e.what()), ui::MessageButtons::Ok,
                        parent);
    }
    return false;
}
