#pragma once

#include "PriceOptimizer.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace engine {
class Database;
}

// "Optimize shopping list": the choice of mode and of the report. "&Optimize" rewrites the list and closes
// the dialog, with ShowDetails when the report is wanted; otherwise the summary is shown in a message first.
class OptimizeForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int HelpContext = 501;
    enum Result { ShowDetails = QDialog::Accepted + 1 };

    OptimizeForm(engine::Database& db, QWidget* parent = nullptr);

    void setHelpHandler(std::function<void(int contextId)> handler);
    // The outcome of the last "&Optimize".
    const OptimizeResult& lastResult() const { return result_; }

    QRadioButton* CheapTripRB = nullptr;
    QRadioButton* CheapItemsRB = nullptr;
    QCheckBox* DetailsCB = nullptr;
    QPushButton* HelpBtn = nullptr;
    QPushButton* OptimizeBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    void OptimizeBtnClick();

    engine::Database& db_;
    OptimizeResult result_;
    std::function<void(int)> helpHandler_;
};
