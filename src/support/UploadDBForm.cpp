#include "UploadDBForm.h"

#include "Icons.h"
#include "ScreenCentre.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

UploadDBForm::UploadDBForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UploadDetailsForm"));
    setWindowTitle(QStringLiteral("Upload your database to Quillmoor"));

    Label8 =
        new QLabel(QStringLiteral("Upload your database to the Quillmoor FTP server for analysis by support "
                                  "staff. Please use this option only if the Check/Repair function does "
                                  "not help."),
                   this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setWordWrap(true);

    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        return e;
    };
    UsernameEdit = edit("UsernameEdit");
    Email1Edit = edit("Email1Edit");
    Email2Edit = edit("Email2Edit");
    SoftwareEdit = edit("SoftwareEdit");
    SoftwareEdit->setReadOnly(true);
    SoftwareEdit->setFocusPolicy(Qt::NoFocus);
    DescMemo = new QPlainTextEdit(this);
    DescMemo->setObjectName(QStringLiteral("DescMemo"));
    DescMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    DescMemo->setTabChangesFocus(true);
    DescMemo->setFixedHeight(120);

    auto* fields = new QFormLayout;
    const auto row = [this, fields](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addRow(label, field);
    };
    row(QStringLiteral("Your &name"), UsernameEdit);
    row(QStringLiteral("Your &email"), Email1Edit);
    row(QStringLiteral("Confirm e&mail"), Email2Edit);
    row(QStringLiteral("&Description of problem"), DescMemo);
    row(QStringLiteral("Application"), SoftwareEdit);

    CancelBtn = new QPushButton(ui::Icons::icon(QStringLiteral("cancel")), QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    UploadBtn = new QPushButton(ui::Icons::icon(QStringLiteral("upload")), QStringLiteral("&Upload"), this);
    UploadBtn->setObjectName(QStringLiteral("UploadBtn"));
    UploadBtn->setDefault(true);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(UploadBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(UploadBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label8);
    layout->addSpacing(6);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    Label8->setFixedWidth(420);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit* e : {UsernameEdit, Email1Edit, Email2Edit})
        connect(e, &QLineEdit::textChanged, this, &UploadDBForm::UsernameEditChange);
    connect(DescMemo, &QPlainTextEdit::textChanged, this, &UploadDBForm::UsernameEditChange);
    ui::centreOnScreen(this);
    UsernameEditChange();
}

void UploadDBForm::setApplicationName(const QString& name) {
    SoftwareEdit->setText(name);
}

upload::UploadDetails UploadDBForm::details() const {
    return {UsernameEdit->text(), Email1Edit->text(), SoftwareEdit->text(), DescMemo->toPlainText()};
}

void UploadDBForm::tint(QWidget* field, bool valid) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, valid ? QApplication::palette(field).color(QPalette::Base) : invalidColour());
    // Dark text on the pale tint, whatever the scheme's text colour.
    p.setColor(QPalette::Text,
               valid ? QApplication::palette(field).color(QPalette::Text) : QColor(Qt::black));
    field->setPalette(p);
}

void UploadDBForm::UsernameEditChange() {
    const upload::Validation v = upload::validate(UsernameEdit->text(), Email1Edit->text(),
                                                  Email2Edit->text(), DescMemo->toPlainText());
    tint(UsernameEdit, v.name);
    tint(Email1Edit, v.email);
    tint(Email2Edit, v.email);
    tint(DescMemo, v.description);
    UploadBtn->setEnabled(v.valid());
}
