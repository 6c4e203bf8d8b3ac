#pragma once

#include <QDialog>

#include <functional>

class QPlainTextEdit;
class QPushButton;

// "Optimization results": the optimizer's report, with a button that undoes the optimization. The undo
// itself and the help viewer belong to the main window, which hands them in as handlers; a button without
// its handler is disabled.
class OptDetailsForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int HelpContext = 503;

    explicit OptDetailsForm(QWidget* parent = nullptr);

    void setDetails(const QString& text);
    QString details() const;

    void setHelpHandler(std::function<void(int contextId)> handler);
    void setUndoHandler(std::function<void()> handler);

    QPlainTextEdit* DetailsMemo = nullptr;
    QPushButton* HelpBtn = nullptr;
    QPushButton* UndoBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

private:
    void HelpBtnClick();
    void UndoBtnClick();

    std::function<void(int)> helpHandler_;
    std::function<void()> undoHandler_;
};
