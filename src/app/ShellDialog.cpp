#include "ShellDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

ShellDialog::ShellDialog(const QString& objectName, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(caption);
}

OptimizeChoicesDialog::OptimizeChoicesDialog(QWidget* parent)
    : ShellDialog(QStringLiteral("OptimizeForm"), QStringLiteral("Optimize"), parent) {
    CheapTripRB = new QRadioButton(
        QStringLiteral("Cheapest &trip - Lowest shopping list total cost (may change shops)"), this);
    CheapTripRB->setObjectName(QStringLiteral("CheapTripRB"));
    CheapTripRB->setChecked(true);
    CheapItemsRB = new QRadioButton(
        QStringLiteral("Cheapest &items - Lowest unit cost (may increase quantity and total cost)"), this);
    CheapItemsRB->setObjectName(QStringLiteral("CheapItemsRB"));
    DetailsCB = new QCheckBox(QStringLiteral("&Display details"), this);
    DetailsCB->setObjectName(QStringLiteral("DetailsCB"));
    DetailsCB->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(CheapTripRB);
    layout->addWidget(CheapItemsRB);
    layout->addWidget(DetailsCB);
    layout->addWidget(buttons);
}
