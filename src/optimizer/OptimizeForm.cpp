#include "OptimizeForm.h"

#include "DialogHelp.h"

#include "EngineError.h"
#include "MessageService.h"
#include "ScreenCentre.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

OptimizeForm::OptimizeForm(engine::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("OptimizeForm"));
    setWindowTitle(QStringLiteral("Optimize shopping list"));
    ui::centreOnScreen(this);
    auto* group = new QGroupBox(QStringLiteral("Optimize for..."), this);
    CheapTripRB = new QRadioButton(
        QStringLiteral("Cheapest &trip - Lowest shopping list total cost (may change shops)"), group);
    CheapTripRB->setObjectName(QStringLiteral("CheapTripRB"));
    CheapTripRB->setChecked(true);
    CheapItemsRB = new QRadioButton(
        QStringLiteral("Cheapest &items - Lowest unit cost (may increase quantity and total cost)"), group);
    CheapItemsRB->setObjectName(QStringLiteral("CheapItemsRB"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(CheapTripRB);
    groupLayout->addWidget(CheapItemsRB);

    DetailsCB = new QCheckBox(QStringLiteral("&Display details"), this);
    DetailsCB->setObjectName(QStringLiteral("DetailsCB"));
    DetailsCB->setChecked(true);

    HelpBtn = new QPushButton(QStringLiteral("&Help"), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setEnabled(false);
    OptimizeBtn = new QPushButton(QStringLiteral("&Optimize"), this);
    OptimizeBtn->setObjectName(QStringLiteral("OptimizeBtn"));
    OptimizeBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        if (helpHandler_)
            helpHandler_(HelpContext);
    });
    connect(OptimizeBtn, &QPushButton::clicked, this, &OptimizeForm::OptimizeBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(OptimizeBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(DetailsCB);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ui::installDialogHelp(this, HelpBtn);
}

void OptimizeForm::setHelpHandler(std::function<void(int)> handler) {
    helpHandler_ = std::move(handler);
    HelpBtn->setEnabled(static_cast<bool>(helpHandler_));
}

void OptimizeForm::OptimizeBtnClick() {
    // The settings file may leave both choices off; then the run only reports.
    OptimizeMode mode = OptimizeMode::None;
    if (CheapItemsRB->isChecked())
        mode = OptimizeMode::CheapestItems;
    else if (CheapTripRB->isChecked())
        mode = OptimizeMode::CheapestTrip;
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        result_ = PriceOptimizer(db_).run(mode);
        QApplication::restoreOverrideCursor();
    } catch (const engine::EngineError& e) {
        // The run is one transaction: nothing was changed, so the dialog stays open for another try.
        QApplication::restoreOverrideCursor();
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, this);
        return;
    }
    if (DetailsCB->isChecked()) {
        done(ShowDetails);
        return;
    }
    ui::showMessage(ui::MessageKind::Information, result_.summaryMessage(), ui::MessageButtons::Ok, this);
    accept();
}
