#pragma once

#include <QWidget>

class MainWindow;

// One page of the main window's page control. The main window runs leaveStep() on the active page before
// another page becomes active (and around commands that change data behind the pages) and showStep() when a
// page becomes active again. A page works on the main window's data objects and remembered positions.
class AppPage : public QWidget {
    Q_OBJECT

public:
    AppPage(MainWindow& main, QWidget* parent = nullptr) : QWidget(parent), main_(main) {}

    // Reopens what the page needs and returns to the remembered position. Does nothing while start-up is
    // pending.
    virtual void showStep() = 0;
    // Remembers the current position and closes the page's data objects, abandoning unposted edits.
    virtual void leaveStep() = 0;
    // Sizes and item heights that depend on fonts, run once during start-up.
    virtual void arrangeLayout() {}
    // Run before the Tools menu or the Print sub-menu opens while this page is active.
    virtual void beforeToolsOrPrint() {}

protected:
    MainWindow& main_;
};
