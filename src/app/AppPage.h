#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class MainWindow;
namespace ui {
class HoverSpeedButton;
class ThemedDBGrid;
} // namespace ui

// One page of the main window's page control. The main window runs leaveStep() on the active page before
// another page becomes active (and around commands that change data behind the pages) and showStep() when a
// page becomes active again. A page works on the main window's data objects and remembered positions; the
// frame reaches the page's own controls only through the functions below.
class AppPage : public QWidget {
    Q_OBJECT

public:
    AppPage(MainWindow& main, QWidget* parent = nullptr) : QWidget(parent), main_(main) {}

    // Reopens what the page needs and returns to the remembered position. Does nothing while start-up is
    // pending.
    virtual void showStep() = 0;
    // Remembers the current position and closes the page's data objects, abandoning unposted edits.
    virtual void leaveStep() = 0;
    // The leave step as the window closes. Returns what closing now would lose because the page could not
    // put its work away (its error has been shown), or an empty text when nothing is lost.
    virtual QString leaveForClose() {
        leaveStep();
        return {};
    }
    // Sizes and item heights that depend on fonts, run once during start-up.
    virtual void arrangeLayout() {}
    // Run before the Tools menu or the Print sub-menu opens while this page is active.
    virtual void beforeToolsOrPrint() {}

    // The Edit menu's "Shopping &list" and "&Prices" modes, for the page that has them.
    virtual void selectQuantityMode() {}
    virtual void selectPriceMode() {}

    // The grids whose column widths and sort column the settings file keeps, under their object names; the
    // frame also shades their columns and keeps them in place.
    virtual QList<ui::ThemedDBGrid*> settingsGrids() const { return {}; }
    // The buttons that take the frame's hover colour.
    virtual QList<ui::HoverSpeedButton*> hoverButtons() const { return {}; }
    // The notes the settings file keeps, one line each; a page without notes has none and ignores them.
    virtual QStringList notes() const { return {}; }
    virtual void setNotes(const QStringList&) {}

protected:
    MainWindow& main_;
};
