#include "MessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

namespace {

// Shows the real modal boxes.
class BoxMessageService final : public MessageService {
public:
    MessageAnswer show(MessageKind kind, const QString& text, MessageButtons buttons,
                       QWidget* parent) override {
        QMessageBox box(parent ? parent : QApplication::activeWindow());
        box.setWindowTitle(QStringLiteral("Grocelle"));
        // Messages are assembled with CR LF; the box wants plain line feeds.
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        box.setTextFormat(Qt::PlainText);
        box.setText(shown);
        switch (kind) {
        case MessageKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageKind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageKind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageKind::Confirmation:
            box.setIcon(QMessageBox::Question);
            break;
        }
        switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
        case MessageButtons::YesNoDefaultNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
        }
        const int result = box.exec();
        switch (result) {
        case QMessageBox::Ok:
            return MessageAnswer::Ok;
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        default:
            // Closing the box counts as the negative answer of its set.
            if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoDefaultNo)
                return MessageAnswer::No;
            if (buttons == MessageButtons::Ok)
                return MessageAnswer::Ok;
            return MessageAnswer::Cancel;
        }
    }
};

MessageService* installed = nullptr;

} // namespace

MessageService& MessageService::instance() {
    static BoxMessageService real;
    return installed ? *installed : real;
}

void MessageService::install(MessageService* service) {
    installed = service;
}

MessageAnswer showMessage(MessageKind kind, const QString& text, MessageButtons buttons, QWidget* parent) {
    return MessageService::instance().show(kind, text, buttons, parent);
}

bool confirm(const QString& text, MessageButtons buttons, QWidget* parent) {
    const MessageAnswer a = showMessage(MessageKind::Confirmation, text, buttons, parent);
    return a == MessageAnswer::Ok || a == MessageAnswer::Yes;
}

} // namespace ui
