#include "ScriptedMessageService.h"

ScriptedMessageService::ScriptedMessageService() {
    ui::MessageService::install(this);
}

ScriptedMessageService::~ScriptedMessageService() {
    ui::MessageService::install(nullptr);
}

ui::MessageAnswer ScriptedMessageService::show(ui::MessageKind kind, const QString& text,
                                               ui::MessageButtons buttons, QWidget*) {
    calls_.push_back({kind, text, buttons});
    if (!answers_.empty()) {
        const ui::MessageAnswer a = answers_.front();
        answers_.pop_front();
        return a;
    }
    switch (buttons) {
    case ui::MessageButtons::YesNo:
        return ui::MessageAnswer::Yes;
    case ui::MessageButtons::YesNoDefaultNo:
        return ui::MessageAnswer::No;
    default:
        return ui::MessageAnswer::Ok;
    }
}
