#include "FloorplanPanel.h"

#include "FloorplanAccessible.h"
#include "FloorplanView.h"
#include "GuardedCall.h"

#include <QScrollBar>

#include <algorithm>

FloorplanPanel::FloorplanPanel(engine::Database& db, AisleHintWindow& hint, QWidget* parent)
    : QWidget(parent), db_(db), editor_(aisles_) {
    setObjectName(QStringLiteral("FloorTabSheet"));
    FloorPlan = new FloorplanView(aisles_, editor_, hint, this);
    FPHScrollBar = new QScrollBar(Qt::Horizontal, this);
    FPHScrollBar->setObjectName(QStringLiteral("FPHScrollBar"));
    FPVScrollBar = new QScrollBar(Qt::Vertical, this);
    FPVScrollBar->setObjectName(QStringLiteral("FPVScrollBar"));
    for (QScrollBar* bar : {FPHScrollBar, FPVScrollBar}) {
        bar->setRange(0, 1000);
        bar->setSingleStep(20);
        bar->setPageStep(60);
        connect(bar, &QScrollBar::valueChanged, this, &FloorplanPanel::scrolled);
    }
    connect(FloorPlan, &FloorplanView::selectionChanged, this, &FloorplanPanel::planChanged);
    connect(FloorPlan, &FloorplanView::aislesMoved, this, &FloorplanPanel::AdjustFloorplanScrollbars);
    connect(FloorPlan, &FloorplanView::popupRequested, this, &FloorplanPanel::popupRequested);
    connect(FloorPlan, &FloorplanView::aislesUnplaced, this, &FloorplanPanel::aislesUnplaced);
    connect(FloorPlan, &FloorplanView::aisleToShow, this, &FloorplanPanel::showAisle);
    connect(FloorPlan, &FloorplanView::selectAllRequested, this, &FloorplanPanel::FPSelectallClick);
}

void FloorplanPanel::resizeEvent(QResizeEvent*) {
    const int bar = 16;
    FloorPlan->setGeometry(0, 0, std::max(0, width() - bar), std::max(0, height() - bar));
    FPHScrollBar->setGeometry(0, height() - bar, std::max(0, width() - bar), bar);
    FPVScrollBar->setGeometry(width() - bar, 0, bar, std::max(0, height() - bar));
    AdjustFloorplanScrollbars();
}

void FloorplanPanel::FloorTabSheetShow(int shop) {
    // A plan still held here is one whose writing failed; it is written before anything replaces it, and
    // stays on screen when that fails again.
    if (shop_ >= 0)
        writeBack();
    FloorPlan->resetCursor();
    FloorPlan->ScrollOffset = QPoint(0, 0);
    FPHScrollBar->setValue(0);
    FPVScrollBar->setValue(0);
    aisles_.clear();
    // The plan counts as loaded only once it is read completely, so that a failed load never writes back.
    shop_ = -1;
    if (shop >= 0) {
        aisles_.load(db_, shop);
        shop_ = shop;
    }
    AdjustFloorplanScrollbars();
    FloorPlan->update();
    FloorPlan->HandlesFollow();
    FloorplanAccessible::aislesChanged(FloorPlan);
    emit planChanged();
}

void FloorplanPanel::writeBack() {
    FloorPlan->resetCursor();
    // Only a loaded plan is written back, once: writing an emptied list would delete the shop's aisles.
    aisles_.writeBack(db_, shop_);
    shop_ = -1;
    FloorPlan->HandlesFollow();
    FloorPlan->update();
    FloorplanAccessible::aislesChanged(FloorPlan);
    emit planChanged();
}

void FloorplanPanel::AdjustFloorplanScrollbars() {
    if (aisles_.isEmpty())
        return;
    // A position beyond the new maximum is pulled back, which scrolls the view.
    FPHScrollBar->setMaximum(std::max(aisles_.maxRight(), FloorPlan->width()));
    FPVScrollBar->setMaximum(std::max(aisles_.maxBottom(), FloorPlan->height()));
}

void FloorplanPanel::showAisle(int index) {
    if (index < 0 || index >= aisles_.count() || !aisles_.at(index).placed())
        return;
    const FloorAisle& a = aisles_.at(index);
    const auto follow = [](QScrollBar* bar, int low, int high, int extent) {
        // The far edge comes into view first, the near edge wins when the aisle is larger than the view.
        if (high + 1 > bar->value() + extent)
            bar->setValue(high + 1 - extent);
        if (low < bar->value())
            bar->setValue(low);
    };
    follow(FPHScrollBar, a.RectLeft, a.RectRight, FloorPlan->width());
    follow(FPVScrollBar, a.RectTop, a.RectBottom, FloorPlan->height());
}

void FloorplanPanel::scrolled() {
    FloorPlan->ScrollOffset = QPoint(FPHScrollBar->value(), FPVScrollBar->value());
    FloorPlan->update();
    FloorPlan->HandlesFollow();
}

void FloorplanPanel::FPSelectallClick() {
    FloorPlan->apply(editor_.selectAll());
}

void FloorplanPanel::FPSeqBeforeClick() {
    FloorPlan->apply(editor_.startSetSequence());
}

void FloorplanPanel::FPDeleteClick() {
    if (aisles_.selected().empty())
        return;
    GuardedCall(this, [this] { aisles_.deleteSelected(db_, shop_); });
    AdjustFloorplanScrollbars();
    FloorPlan->update();
    FloorPlan->HandlesFollow();
    FloorplanAccessible::aislesChanged(FloorPlan);
    emit planChanged();
}

void FloorplanPanel::afterPlacement() {
    AdjustFloorplanScrollbars();
    FloorPlan->update();
    FloorPlan->HandlesFollow();
    FloorplanAccessible::aislesChanged(FloorPlan);
    emit planChanged();
}

void FloorplanPanel::FPAddAllUnplacedClick(QPoint view) {
    aisles_.placeColumn(view + FloorPlan->ScrollOffset, nullptr);
    afterPlacement();
}

bool FloorplanPanel::FloorPlanDragOver(QPoint global) const {
    return FloorPlan->isVisible() && FloorPlan->rect().contains(FloorPlan->mapFromGlobal(global));
}

void FloorplanPanel::FloorPlanDragDrop(QPoint view, const std::vector<int>& categories) {
    aisles_.placeColumn(view + FloorPlan->ScrollOffset, &categories);
    afterPlacement();
}

void FloorplanPanel::Sequencearrows(bool on) {
    FloorPlan->setSequenceArrows(on);
}

bool FloorplanPanel::sequenceArrows() const {
    return FloorPlan->sequenceArrows();
}
