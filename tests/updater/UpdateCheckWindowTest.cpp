#include "UpdateCheckWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using updater::UpdateCheckWindow;
using updater::UpdateOutcome;

namespace {

// A check that runs until the test lets it end or the window cancels it.
struct HeldCheck {
    std::atomic<bool> release{false};
    std::atomic<bool> sawCancel{false};
    UpdateOutcome operator()(const std::atomic<bool>& cancel) {
        while (!release.load()) {
            if (cancel.load()) {
                sawCancel = true;
                return {};
            }
            QThread::msleep(5);
        }
        UpdateOutcome done;
        done.kind = UpdateOutcome::UpToDate;
        done.message = QStringLiteral("Grocelle is up to date.");
        return done;
    }
};

} // namespace

TEST(UpdateCheckWindow, ShowsTheCheckRunningUntilItEndsAndCancelStopsIt) {
    for (const bool cancel : {false, true}) {
        UpdateCheckWindow window;
        HeldCheck check;
        bool shownWhileRunning = false;
        QTimer::singleShot(0, &window, [&] {
            shownWhileRunning =
                QTest::qWaitFor([&] { return window.isVisible(); }, 2000) &&
                window.StatusLabel->text() == QStringLiteral("Checking for a newer version of Grocelle...") &&
                window.BusyBar->maximum() == 0 && window.windowTitle() == QStringLiteral("Grocelle update");
            QTest::qWait(50);
            EXPECT_TRUE(window.isVisible()) << "the window went before the check ended";
            if (cancel)
                QTest::mouseClick(window.CancelBtn, Qt::LeftButton);
            else
                check.release = true;
        });
        const std::optional<UpdateOutcome> outcome =
            window.run([&check](const std::atomic<bool>& c) { return check(c); });
        EXPECT_TRUE(shownWhileRunning) << cancel;
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(check.sawCancel.load(), cancel);
        EXPECT_EQ(outcome.has_value(), !cancel);
        if (outcome)
            EXPECT_EQ(outcome->message, QStringLiteral("Grocelle is up to date."));
    }
}
