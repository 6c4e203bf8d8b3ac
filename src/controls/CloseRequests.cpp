#include "CloseRequests.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ui {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT, SIGHUP};

int pipeEnds[2] = {-1, -1};
std::array<struct sigaction, kSignals.size()> previous{};
bool installed = false;

extern "C" void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const char c = static_cast<char>(signalNumber);
    // Nothing to be done when the pipe is full: requests already wait in it.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &c, 1);
    errno = savedErrno;
}

} // namespace

CloseRequests::CloseRequests(QObject* parent) : QObject(parent) {
    // Without a pipe the signals keep their usual effect; the program still runs.
    if (installed || ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &previous[i]);
    installed = true;
    owner_ = true;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseRequests::readPipe);
}

CloseRequests::~CloseRequests() {
    if (!owner_)
        return;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
    delete notifier_;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
    installed = false;
}

void CloseRequests::closeOnRequest(QWidget* window) {
    window_ = window;
    if (requested_)
        closeStep();
}

void CloseRequests::readPipe() {
    char buffer[64];
    ssize_t n;
    while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        for (ssize_t i = 0; i < n; ++i) {
            requested_ = true;
            emit received(static_cast<unsigned char>(buffer[i]));
        }
    if (requested_)
        closeStep();
}

// One step towards closing the window. Open menus and modal dialogs are closed first, one at a time and as if
// cancelled, since the code that opened them goes on once they return; that is done even before there is a
// window (a message at start-up). The window itself closes only in the outermost event loop, once it is
// shown: a close in the middle of the start-up or of a command would pull the database from under it.
void CloseRequests::closeStep() {
    stepQueued_ = false;
    const auto again = [this] {
        if (stepQueued_)
            return;
        stepQueued_ = true;
        QTimer::singleShot(kRetryMilliseconds, this, &CloseRequests::closeStep);
    };
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        again();
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        again();
    } else if (!window_) {
        return; // the request waits for closeOnRequest
    } else if (!window_->isVisible() || QThread::currentThread()->loopLevel() > 1) {
        again();
    } else {
        requested_ = false;
        if (window_->close())
            emit windowClosed();
    }
}

} // namespace ui
