#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace ui {

// Turns the signals with which a desktop session, a service manager or a terminal asks a program to end
// (SIGTERM, SIGINT, SIGHUP) into a close of the main window, so the program ends the normal way: settings
// written, database closed, lock released. The signal handler only writes the signal number into a pipe;
// everything else happens in the event loop. One object at a time; the handlers that were there before come
// back when it is destroyed.
class CloseRequests : public QObject {
    Q_OBJECT
public:
    explicit CloseRequests(QObject* parent = nullptr);
    ~CloseRequests() override;
    CloseRequests(const CloseRequests&) = delete;
    CloseRequests& operator=(const CloseRequests&) = delete;

    // False when the handlers could not be put in (another object has them, or no pipe).
    bool active() const { return owner_; }

    // The window a request closes. A request that came before there was one waits for it.
    void closeOnRequest(QWidget* window);
    // A request came and the window has not been closed for it yet.
    bool requested() const { return requested_; }

    // How often a request looks again while the window is not ready to close.
    static constexpr int kRetryMilliseconds = 50;

signals:
    void received(int signalNumber);
    // The window accepted a close a request asked for; the program ends on it even while other top-level
    // windows (help) are still open.
    void windowClosed();

private:
    void readPipe();
    void closeStep();

    QSocketNotifier* notifier_ = nullptr;
    QPointer<QWidget> window_;
    bool owner_ = false; // installed the handlers
    bool requested_ = false;
    bool stepQueued_ = false;
};

} // namespace ui
