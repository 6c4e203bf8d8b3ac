#include "CloseRequests.h"

#include <QCloseEvent>
#include <QDialog>
#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// A window that counts the close events it gets, the way the main window writes its settings in one.
class CountingWindow : public QWidget {
public:
    int closeEvents = 0;

protected:
    void closeEvent(QCloseEvent* event) override {
        ++closeEvents;
        QWidget::closeEvent(event);
    }
};

volatile std::sig_atomic_t earlierHandlerCalls = 0;
extern "C" void earlierHandler(int) {
    earlierHandlerCalls = earlierHandlerCalls + 1;
}

// Waits in a real event loop (loop level 1, like the program's main loop) until the condition holds.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 3000) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    return condition();
}

} // namespace

// Each of the three signals arrives as a request in the event loop instead of ending the process; once the
// object is gone, the handler that was there before is back.
TEST(CloseRequests, SignalsBecomeRequestsAndEarlierHandlersComeBack) {
    struct sigaction earlier {
    }, saved{};
    earlier.sa_handler = earlierHandler;
    sigemptyset(&earlier.sa_mask);
    sigaction(SIGTERM, &earlier, &saved);
    {
        ui::CloseRequests requests;
        ASSERT_TRUE(requests.active());
        EXPECT_FALSE(requests.requested());
        QSignalSpy spy(&requests, &ui::CloseRequests::received);
        for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
            ASSERT_EQ(std::raise(signalNumber), 0);
        EXPECT_TRUE(waitFor([&] { return spy.count() == 3; }));
        ASSERT_EQ(spy.count(), 3);
        EXPECT_EQ(spy[0][0].toInt(), SIGTERM);
        EXPECT_EQ(spy[1][0].toInt(), SIGINT);
        EXPECT_EQ(spy[2][0].toInt(), SIGHUP);
        EXPECT_TRUE(requests.requested());
        EXPECT_EQ(earlierHandlerCalls, 0);

        // A second object cannot take the handlers over; the first keeps working.
        ui::CloseRequests second;
        EXPECT_FALSE(second.active());
    }
    std::raise(SIGTERM);
    EXPECT_EQ(earlierHandlerCalls, 1);
    sigaction(SIGTERM, &saved, nullptr);
}

// A shown window is closed through its close event, exactly once, however many requests come.
TEST(CloseRequests, ShownWindowClosesOnce) {
    ui::CloseRequests requests;
    CountingWindow window;
    window.show();
    requests.closeOnRequest(&window);
    QSignalSpy closed(&requests, &ui::CloseRequests::windowClosed);
    std::raise(SIGTERM);
    std::raise(SIGINT);
    EXPECT_TRUE(waitFor([&] { return !window.isVisible(); }));
    waitFor([] { return false; }, 3 * ui::CloseRequests::kRetryMilliseconds);
    EXPECT_EQ(window.closeEvents, 1);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(requests.requested());
}

// A window that refuses the close stays open and is not reported closed; the next request tries again.
TEST(CloseRequests, RefusedCloseIsNotReportedAndCanBeAskedAgain) {
    class RefusingWindow : public CountingWindow {
    public:
        bool refuse = true;

    protected:
        void closeEvent(QCloseEvent* event) override {
            CountingWindow::closeEvent(event);
            if (refuse)
                event->ignore();
        }
    };
    ui::CloseRequests requests;
    RefusingWindow window;
    window.show();
    requests.closeOnRequest(&window);
    QSignalSpy closed(&requests, &ui::CloseRequests::windowClosed);
    std::raise(SIGTERM);
    EXPECT_TRUE(waitFor([&] { return window.closeEvents == 1; }));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(closed.count(), 0);

    window.refuse = false;
    std::raise(SIGTERM);
    EXPECT_TRUE(waitFor([&] { return closed.count() == 1; }));
    EXPECT_EQ(window.closeEvents, 2);
    EXPECT_FALSE(window.isVisible());
}

// A modal dialog in front of the window is cancelled first, so the code that opened it goes on with a
// rejection; only then does the window close.
TEST(CloseRequests, ModalDialogIsCancelledBeforeTheWindowCloses) {
    ui::CloseRequests requests;
    CountingWindow window;
    window.show();
    requests.closeOnRequest(&window);

    int dialogResult = -1;
    int closesWhileDialogOpen = -1;
    QTimer::singleShot(0, &window, [&] {
        QDialog dialog(&window);
        QTimer::singleShot(20, &dialog, [] { std::raise(SIGTERM); });
        dialogResult = dialog.exec();
        closesWhileDialogOpen = window.closeEvents;
    });
    EXPECT_TRUE(waitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(dialogResult, QDialog::Rejected);
    EXPECT_EQ(closesWhileDialogOpen, 0);
    EXPECT_EQ(window.closeEvents, 1);
}

// A request that comes before the window exists dismisses a message shown then (the lock's, the start-up's)
// and waits; so does one while the window is not shown yet: the window closes once it is there and shown,
// not before, so the start-up is never cut off.
TEST(CloseRequests, EarlyRequestWaitsForTheShownWindow) {
    ui::CloseRequests requests;
    int dialogResult = -1;
    QTimer::singleShot(0, [&] {
        QDialog message;
        message.setModal(true);
        QTimer::singleShot(20, &message, [] { std::raise(SIGTERM); });
        dialogResult = message.exec();
    });
    EXPECT_TRUE(waitFor([&] { return dialogResult != -1; }));
    EXPECT_EQ(dialogResult, QDialog::Rejected);
    EXPECT_TRUE(requests.requested());

    CountingWindow window;
    requests.closeOnRequest(&window);
    waitFor([] { return false; }, 4 * ui::CloseRequests::kRetryMilliseconds);
    EXPECT_EQ(window.closeEvents, 0);

    window.show();
    EXPECT_TRUE(waitFor([&] { return window.closeEvents == 1; }));
    EXPECT_FALSE(window.isVisible());
}
