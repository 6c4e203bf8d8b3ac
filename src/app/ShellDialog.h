#pragma once

#include <QDialog>

class QCheckBox;
class QRadioButton;

// A dialog of the program whose content is filled in by its own subsystem; the main window creates it at
// start so it lives, with its state, for the whole run.
class ShellDialog : public QDialog {
    Q_OBJECT
public:
    ShellDialog(const QString& objectName, const QString& caption, QWidget* parent = nullptr);
};

// The Optimize dialog's choices, kept across runs by the settings file.
class OptimizeChoicesDialog : public ShellDialog {
    Q_OBJECT
public:
    explicit OptimizeChoicesDialog(QWidget* parent = nullptr);

    QRadioButton* CheapTripRB = nullptr;
    QRadioButton* CheapItemsRB = nullptr;
    QCheckBox* DetailsCB = nullptr;
};
