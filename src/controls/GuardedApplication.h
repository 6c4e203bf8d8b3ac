#pragma once

#include <QApplication>

namespace ui {

// The program's application object. Every exception that leaves an event handler, a slot, a timer or a paint
// ends here: its message text is shown in an error box through the message service, and the event loop goes
// on with the next event. A failure a hook has already reported (engine::SilentAbort) is not shown again.
class GuardedApplication : public QApplication {
    Q_OBJECT

public:
    GuardedApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception being handled (call only inside a catch block) the way notify() does.
    static void showCurrentException();
    // How many errors were shown since the program started.
    static int errorsShown() { return shown_; }

private:
    static void showError(const QString& text);

    static inline bool showing_ = false;
    static inline int shown_ = 0;
};

} // namespace ui
