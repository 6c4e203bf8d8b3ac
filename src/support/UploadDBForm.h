#pragma once

#include "UploadText.h"

#include <QColor>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Upload your database to Quillmoor": who the user is, how to reach them and what goes wrong. "&Upload"
// stays disabled until every required field is valid; invalid fields are tinted.
class UploadDBForm : public QDialog {
    Q_OBJECT

public:
    explicit UploadDBForm(QWidget* parent = nullptr);

    // The tint of a required field while it is invalid.
    static QColor invalidColour() { return QColor(253, 238, 244); }

    void setApplicationName(const QString& name);
    upload::UploadDetails details() const;

    QLabel* Label8 = nullptr;
    QLineEdit* UsernameEdit = nullptr;
    QLineEdit* Email1Edit = nullptr;
    QLineEdit* Email2Edit = nullptr;
    QPlainTextEdit* DescMemo = nullptr;
    QLineEdit* SoftwareEdit = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* UploadBtn = nullptr;

private:
    void UsernameEditChange();
    void tint(QWidget* field, bool valid);
};
