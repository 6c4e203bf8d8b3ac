#pragma once

#include "UpdateCheck.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace updater {

// "Grocelle update" while the check runs: what is happening, a busy bar and Cancel. The check runs on a
// thread of its own, so the window stays responsive for the up to 30 seconds a silent server takes.
class UpdateCheckWindow : public QDialog {
    Q_OBJECT

public:
    // The check, given the flag Cancel sets; it should end soon after the flag is set.
    using Check = std::function<UpdateOutcome(const std::atomic<bool>& cancel)>;

    explicit UpdateCheckWindow(QWidget* parent = nullptr);

    // Shows the window until the check has ended. No outcome when the user cancelled.
    std::optional<UpdateOutcome> run(const Check& check);

    QLabel* StatusLabel = nullptr;
    QProgressBar* BusyBar = nullptr;
    QPushButton* CancelBtn = nullptr;

public slots:
    // Cancel, Escape and the close box: the check is told to stop; the window closes once it has.
    void reject() override;

private:
    std::atomic<bool> cancel_{false};
    bool running_ = false;
};

} // namespace updater
