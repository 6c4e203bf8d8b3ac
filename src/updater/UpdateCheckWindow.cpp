#include "UpdateCheckWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace updater {

UpdateCheckWindow::UpdateCheckWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UpdateCheckWindow"));
    setWindowTitle(QStringLiteral("Grocelle update"));
    StatusLabel = new QLabel(QStringLiteral("Checking for a newer version of Grocelle..."), this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    BusyBar = new QProgressBar(this);
    BusyBar->setObjectName(QStringLiteral("BusyBar"));
    BusyBar->setRange(0, 0); // moves without a known end
    BusyBar->setTextVisible(false);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    connect(CancelBtn, &QPushButton::clicked, this, &UpdateCheckWindow::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StatusLabel);
    layout->addWidget(BusyBar);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

std::optional<UpdateOutcome> UpdateCheckWindow::run(const Check& check) {
    cancel_.store(false);
    std::optional<UpdateOutcome> outcome;
    QThread* worker = QThread::create([this, &check, &outcome] { outcome = check(cancel_); });
    connect(worker, &QThread::finished, this, &QDialog::accept);
    running_ = true;
    CancelBtn->setEnabled(true);
    StatusLabel->setText(QStringLiteral("Checking for a newer version of Grocelle..."));
    worker->start();
    exec();
    worker->wait();
    delete worker;
    running_ = false;
    if (cancel_.load())
        return std::nullopt;
    return outcome;
}

void UpdateCheckWindow::reject() {
    if (!running_) {
        QDialog::reject();
        return;
    }
    // The window stays until the thread has ended, so the check never outlives what it writes to.
    cancel_.store(true);
    CancelBtn->setEnabled(false);
    StatusLabel->setText(QStringLiteral("Cancelling the check..."));
}

} // namespace updater
