#pragma once

#include "AppFixture.h"

#include <QPointer>
#include <QTimer>

#include <functional>
#include <vector>

class AislesPage;
class QAbstractItemView;
class QWidget;
class TaggedListBox;
namespace ui {
class ThemedDBGrid;
}

// The whole program with every subsystem on a small catalogue, driven the way the user drives it: mouse and
// key events, menus from the event loop. A failure then leaves each handler exactly as it would in the
// program, through the application object.
class RunningProgram : public AppFixture {
protected:
    void TearDown() override;

    // Shops Corner Market (1, with aisles for Dairy and Bakery, Dairy placed on the floor plan) and
    // Market Hall (2); categories Dairy (1), Bakery (2), Fruit (3); product types Milk, Bread, Apples and
    // the unused Cream; items Milk X (1, 2 on the list), Milk Y (2), Bread Z (1, 1 on the list),
    // Apples A (1).
    void fillCatalogue();
    // Fills the catalogue, starts the program and shows it in front.
    MainWindow& startFilled();

    // Runs the step from the event loop, as a menu entry or a shortcut runs.
    void fromEventLoop(const std::function<void()>& step);
    // Runs the step on the next modal dialog once it is shown; a step not run before the action ended is
    // dropped.
    void whenModal(std::function<void(QWidget*)> step);

    // Mouse clicks where the user would click.
    void clickTab(int pageIndex);
    void clickSubTab(AislesPage& aisles, int subPage);
    void clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers = {});
    void clickButton(QWidget* button);
    // A drag from one list row to a point of another widget with the mouse.
    static void dragList(TaggedListBox* source, int row, QWidget* target, QPoint to);

    ui::ThemedDBGrid* grid(const char* name) const;
    AislesPage& aislesPage() const;
    QString contents() const;
    // The texts of the error boxes shown so far.
    QStringList errorTexts() const;

private:
    static void writeCatalogue(const QString& folder);

    std::vector<QPointer<QTimer>> modalSteps_;
};
