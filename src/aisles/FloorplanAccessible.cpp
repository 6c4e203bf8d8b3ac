#include "FloorplanAccessible.h"

#include "FloorplanView.h"
#include "Helpers.h"

#include <QPointer>
#include <QWindow>

namespace {

// One placed aisle of the plan, by its item number.
class FloorAisleAccessible : public QAccessibleInterface {
public:
    FloorAisleAccessible(FloorplanView* view, int item) : view_(view), item_(item) {}

    bool isValid() const override { return view_ && item_ < view_->aisles().placedCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text t) const override {
        const FloorAisle* a = aisle();
        if (!a)
            return {};
        if (t == QAccessible::Name)
            return a->CatName;
        if (t == QAccessible::Description)
            return QStringLiteral("Left %1, top %2, %3 wide, %4 high")
                .arg(a->RectLeft)
                .arg(a->RectTop)
                .arg(a->RectRight - a->RectLeft)
                .arg(a->RectBottom - a->RectTop);
        return {};
    }

    QRect rect() const override {
        const FloorAisle* a = aisle();
        if (!a)
            return {};
        const QRect onView = QRect(QPoint(a->RectLeft, a->RectTop), QPoint(a->RectRight, a->RectBottom))
                                 .translated(-view_->ScrollOffset)
                                 .intersected(view_->rect());
        return onView.isEmpty() ? QRect() : onView.translated(view_->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        const FloorAisle* a = aisle();
        if (!a) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.multiSelectable = true;
        s.focusable = true;
        s.selected = a->Selected;
        const int index = view_->aisles().indexOf(a);
        s.focused = view_->hasFocus() && index == view_->currentAisle();
        if (rect().isEmpty())
            s.offscreen = true;
        return s;
    }

private:
    const FloorAisle* aisle() const {
        if (!isValid())
            return nullptr;
        const ShopAisles& aisles = view_->aisles();
        int seen = 0;
        for (int i = 0; i < aisles.count(); ++i)
            if (aisles.at(i).placed() && seen++ == item_)
                return &aisles.at(i);
        return nullptr;
    }

    QPointer<FloorplanView> view_;
    int item_;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("FloorplanView") && object && object->isWidgetType())
        return new FloorplanAccessible(static_cast<FloorplanView*>(object));
    return nullptr;
}

void notify(FloorplanView* view, QAccessible::Event type, int planIndex) {
    if (!QAccessible::isActive() || !view)
        return;
    auto* iface = dynamic_cast<FloorplanAccessible*>(QAccessible::queryAccessibleInterface(view));
    if (!iface)
        return;
    QAccessibleEvent event(view, type);
    const int item = iface->childOfPlanIndex(planIndex);
    if (item >= 0)
        event.setChild(item);
    QAccessible::updateAccessibility(&event);
}

} // namespace

FloorplanAccessible::FloorplanAccessible(FloorplanView* view) : QAccessibleWidget(view, QAccessible::List) {}

FloorplanAccessible::~FloorplanAccessible() {
    for (QAccessible::Id id : items_)
        QAccessible::deleteAccessibleInterface(id);
}

void FloorplanAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

FloorplanView* FloorplanAccessible::view() const {
    return static_cast<FloorplanView*>(widget());
}

QAccessible::Role FloorplanAccessible::role() const {
    return QAccessible::List;
}

QAccessible::State FloorplanAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiSelectable = true;
    return s;
}

QString FloorplanAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    const ShopAisles& aisles = view()->aisles();
    const int placed = aisles.placedCount();
    return QStringLiteral("%1 aisle%2 on the plan, %3 selected")
        .arg(placed)
        .arg(PluralSuffix(placed))
        .arg(aisles.selectedCount());
}

int FloorplanAccessible::childCount() const {
    return view()->aisles().placedCount();
}

QAccessibleInterface* FloorplanAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    while (static_cast<int>(items_.size()) <= index)
        items_.push_back(QAccessible::registerAccessibleInterface(
            new FloorAisleAccessible(view(), static_cast<int>(items_.size()))));
    return QAccessible::accessibleInterface(items_[static_cast<size_t>(index)]);
}

int FloorplanAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (QAccessible::accessibleInterface(items_[i]) == child)
            return static_cast<int>(i) < childCount() ? static_cast<int>(i) : -1;
    return -1;
}

QAccessibleInterface* FloorplanAccessible::childAt(int x, int y) const {
    const QPoint onView = view()->mapFromGlobal(QPoint(x, y));
    if (!view()->rect().contains(onView))
        return nullptr;
    return child(childOfPlanIndex(view()->aisles().hitTest(onView + view()->ScrollOffset)));
}

QAccessibleInterface* FloorplanAccessible::focusChild() const {
    if (!view()->hasFocus())
        return nullptr;
    return child(childOfPlanIndex(view()->currentAisle()));
}

int FloorplanAccessible::childOfPlanIndex(int planIndex) const {
    const ShopAisles& aisles = view()->aisles();
    if (planIndex < 0 || planIndex >= aisles.count() || !aisles.at(planIndex).placed())
        return -1;
    int item = 0;
    for (int i = 0; i < planIndex; ++i)
        if (aisles.at(i).placed())
            ++item;
    return item;
}

int FloorplanAccessible::planIndexOfChild(int child) const {
    const ShopAisles& aisles = view()->aisles();
    int seen = 0;
    for (int i = 0; i < aisles.count(); ++i)
        if (aisles.at(i).placed() && seen++ == child)
            return i;
    return -1;
}

void FloorplanAccessible::focusMoved(FloorplanView* view, int planIndex) {
    if (view && view->hasFocus())
        notify(view, QAccessible::Focus, planIndex);
}

void FloorplanAccessible::selectionChanged(FloorplanView* view, int planIndex) {
    notify(view, QAccessible::Selection, planIndex);
    focusMoved(view, planIndex);
}

void FloorplanAccessible::locationChanged(FloorplanView* view, int planIndex) {
    notify(view, QAccessible::LocationChanged, planIndex);
}

void FloorplanAccessible::aislesChanged(FloorplanView* view) {
    notify(view, QAccessible::ObjectReorder, -1);
}
