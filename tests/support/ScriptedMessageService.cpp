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
    return buttons == ui::MessageButtons::YesNo ? ui::MessageAnswer::Yes : ui::MessageAnswer::Ok;
}
