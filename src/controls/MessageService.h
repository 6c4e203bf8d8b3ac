#pragma once

#include <QString>

class QWidget;

namespace ui {

enum class MessageKind { Warning, Error, Information, Confirmation };
// YesNoDefaultNo: a question whose safe answer is No; Enter and closing the box answer No.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoDefaultNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Every message box of the program goes through the one installed service. The program installs the one that
// shows real boxes; tests install a scripted one that records the texts and gives chosen answers.
class MessageService {
public:
    virtual ~MessageService() = default;

    // Shows a modal message; line breaks inside the text are CR LF.
    virtual MessageAnswer show(MessageKind kind, const QString& text,
                               MessageButtons buttons = MessageButtons::Ok, QWidget* parent = nullptr) = 0;

    static MessageService& instance();
    // Installs a service (not owned); nullptr goes back to the real message boxes.
    static void install(MessageService* service);
};

// Shorthands; a question proceeds only on OK or Yes.
MessageAnswer showMessage(MessageKind kind, const QString& text, MessageButtons buttons = MessageButtons::Ok,
                          QWidget* parent = nullptr);
bool confirm(const QString& text, MessageButtons buttons = MessageButtons::YesNo, QWidget* parent = nullptr);

} // namespace ui
