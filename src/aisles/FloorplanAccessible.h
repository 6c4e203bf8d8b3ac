#pragma once

#include <QAccessibleWidget>

#include <vector>

class FloorplanView;

// What assistive technology is told about the floor plan: a list whose items are the placed aisles in
// walking order, each named after its category, with its place and size as its description and selected as
// on the plan; while the plan has the keyboard, the aisle the keys work from is the focused item. The view
// reports focus, selection and location changes through the static functions.
class FloorplanAccessible : public QAccessibleWidget {
public:
    explicit FloorplanAccessible(FloorplanView* view);
    ~FloorplanAccessible() override;

    // Gives every FloorplanView this interface; the views call it when they are made.
    static void install();
    // planIndex: an index into the plan's aisles; -1 for none.
    static void focusMoved(FloorplanView* view, int planIndex);
    static void selectionChanged(FloorplanView* view, int planIndex);
    static void locationChanged(FloorplanView* view, int planIndex);
    // The aisles on the plan changed as a whole (loaded, placed, taken off, deleted).
    static void aislesChanged(FloorplanView* view);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

    FloorplanView* view() const;
    // Item number of the aisle at a plan index (-1 when it is not placed), and back.
    int childOfPlanIndex(int planIndex) const;
    int planIndexOfChild(int child) const;

private:
    mutable std::vector<QAccessible::Id> items_;
};
