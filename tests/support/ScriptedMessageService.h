#pragma once

#include "MessageService.h"

#include <QString>
#include <deque>
#include <vector>

// Records every message instead of showing it and answers from a queue the test fills. With an empty queue
// the default button's answer is given, as Enter would (OK, Yes, or No where that is the default). Installs
// itself for its lifetime.
class ScriptedMessageService final : public ui::MessageService {
public:
    struct Call {
        ui::MessageKind kind;
        QString text;
        ui::MessageButtons buttons;
    };

    ScriptedMessageService();
    ~ScriptedMessageService() override;
    ScriptedMessageService(const ScriptedMessageService&) = delete;
    ScriptedMessageService& operator=(const ScriptedMessageService&) = delete;

    ui::MessageAnswer show(ui::MessageKind kind, const QString& text, ui::MessageButtons buttons,
                           QWidget* parent) override;

    void setNextAnswer(ui::MessageAnswer answer) { answers_.push_back(answer); }
    const std::vector<Call>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    // The last call's text; empty when there was none.
    QString lastText() const { return calls_.empty() ? QString() : calls_.back().text; }
    void clear() {
        calls_.clear();
        answers_.clear();
    }

private:
    std::vector<Call> calls_;
    std::deque<ui::MessageAnswer> answers_;
};
