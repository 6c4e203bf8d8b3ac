#include "OptDetailsForm.h"

#include "DialogHelp.h"

#include "EngineError.h"
#include "MessageService.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

OptDetailsForm::OptDetailsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("OptDetailsForm"));
    setWindowTitle(QStringLiteral("Optimization results"));
    setModal(true);

    DetailsMemo = new QPlainTextEdit(this);
    DetailsMemo->setObjectName(QStringLiteral("DetailsMemo"));
    DetailsMemo->setReadOnly(true);
    DetailsMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    DetailsMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DetailsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    UndoBtn = new QPushButton(QStringLiteral("&Undo"), this);
    UndoBtn->setObjectName(QStringLiteral("UndoBtn"));
    UndoBtn->setToolTip(QStringLiteral("Undo optimization"));
    UndoBtn->setAutoDefault(false);
    CloseBtn = new QPushButton(QStringLiteral("&Close"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch(1);
    buttons->addWidget(UndoBtn);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DetailsMemo, 1);
    layout->addLayout(buttons);

    connect(HelpBtn, &QPushButton::clicked, this, &OptDetailsForm::HelpBtnClick);
    connect(UndoBtn, &QPushButton::clicked, this, &OptDetailsForm::UndoBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    HelpBtn->setEnabled(false);
    UndoBtn->setEnabled(false);
    ui::installDialogHelp(this, HelpBtn);

    // Fixed size; a dialog with a parent opens centred over it.
    setFixedSize(560, 420);
}

void OptDetailsForm::setDetails(const QString& text) {
    DetailsMemo->setPlainText(text);
}

QString OptDetailsForm::details() const {
    return DetailsMemo->toPlainText();
}

void OptDetailsForm::setHelpHandler(std::function<void(int)> handler) {
    helpHandler_ = std::move(handler);
    HelpBtn->setEnabled(static_cast<bool>(helpHandler_));
}

void OptDetailsForm::setUndoHandler(std::function<void()> handler) {
    undoHandler_ = std::move(handler);
    UndoBtn->setEnabled(static_cast<bool>(undoHandler_));
}

void OptDetailsForm::HelpBtnClick() {
    if (helpHandler_)
        helpHandler_(HelpContext);
}

void OptDetailsForm::UndoBtnClick() {
    if (!undoHandler_)
        return;
    // An error must not escape into the event loop; the report stays open so nothing is lost.
    try {
        undoHandler_();
    } catch (const engine::EngineError& e) {
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, this);
        return;
    }
    accept();
}
