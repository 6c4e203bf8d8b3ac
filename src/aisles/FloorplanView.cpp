#include "FloorplanView.h"

#include "AisleHintWindow.h"
#include "PainterCanvas.h"
#include "RenderFloorplan.h"
#include "ResizeHandle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

FloorplanView::FloorplanView(ShopAisles& aisles, FloorplanEditor& editor, AisleHintWindow& hint,
                             QWidget* parent)
    : QWidget(parent), aisles_(aisles), editor_(editor), hint_(hint) {
    setObjectName(QStringLiteral("FloorPlan"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(planFont());
    for (int i = 0; i < 4; ++i) {
        auto* h = new ResizeHandle(static_cast<ShopAisles::Handle>(i), this);
        handles_[static_cast<size_t>(i)] = h;
        connect(h, &ResizeHandle::pressed, this, [this](ResizeHandle*, QPoint p) {
            hint_.HideHintWindow();
            apply(editor_.handlePress(p));
        });
        connect(h, &ResizeHandle::moved, this,
                [this](ResizeHandle* handle, QPoint p) { apply(editor_.handleMove(handle->corner(), p)); });
        connect(h, &ResizeHandle::released, this, [this](ResizeHandle*) { editor_.handleRelease(); });
    }
}

QFont FloorplanView::planFont() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    f.setBold(true);
    return f;
}

void FloorplanView::setSequenceArrows(bool on) {
    arrows_ = on;
    update();
}

void FloorplanView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    PainterCanvas canvas(painter, size());
    RenderFloorplan(canvas, aisles_, false, 8, 1.0f, 1.0f, ScrollOffset, arrows_);
}

void FloorplanView::HandlesFollow() {
    if (aisles_.selectedCount() != 1) {
        for (ResizeHandle* h : handles_)
            h->hide();
        return;
    }
    const FloorAisle& a = *aisles_.selected().front();
    const int sx = ScrollOffset.x(), sy = ScrollOffset.y(), s = ResizeHandle::Size;
    handle(ShopAisles::Handle::TopLeft)->move(a.left() - 1 - sx, a.top() - 1 - sy);
    handle(ShopAisles::Handle::TopRight)->move(a.right() + 3 - s - sx, a.top() - 1 - sy);
    handle(ShopAisles::Handle::BottomLeft)->move(a.left() - 1 - sx, a.bottom() + 2 - s - sy);
    handle(ShopAisles::Handle::BottomRight)->move(a.right() + 3 - s - sx, a.bottom() + 2 - s - sy);
    for (ResizeHandle* h : handles_) {
        h->show();
        h->raise();
    }
}

void FloorplanView::applyCursor() {
    switch (editor_.cursor()) {
    case FloorplanEditor::Cursor::Normal:
        unsetCursor();
        break;
    case FloorplanEditor::Cursor::Move:
        setCursor(Qt::SizeAllCursor);
        break;
    case FloorplanEditor::Cursor::PointingHand:
        setCursor(Qt::PointingHandCursor);
        break;
    }
    // The move cursor holds for the whole application while a move is under way.
    const bool wantOverride = editor_.cursor() == FloorplanEditor::Cursor::Move;
    if (wantOverride && !overrideCursor_)
        QApplication::setOverrideCursor(Qt::SizeAllCursor);
    else if (!wantOverride && overrideCursor_)
        QApplication::restoreOverrideCursor();
    overrideCursor_ = wantOverride;
}

void FloorplanView::resetCursor() {
    editor_.reset();
    applyCursor();
}

void FloorplanView::apply(const FloorplanEditor::Effects& fx) {
    if (fx.cursorChanged)
        applyCursor();
    if (fx.selectionChanged || fx.rectsChanged)
        HandlesFollow();
    if (fx.repaint)
        update();
    if (fx.moved)
        emit aislesMoved();
    if (fx.selectionChanged)
        emit selectionChanged();
    if (fx.popup)
        emit popupRequested(mapToGlobal(lastPointer_));
}

void FloorplanView::mousePressEvent(QMouseEvent* event) {
    lastPointer_ = event->position().toPoint();
    if (event->button() != Qt::LeftButton)
        return;
    if (!editor_.PlanMouseDown)
        hint_.HideHintWindow();
    apply(editor_.press(lastPointer_, ScrollOffset, event->modifiers() & Qt::ControlModifier));
}

void FloorplanView::mouseMoveEvent(QMouseEvent* event) {
    lastPointer_ = event->position().toPoint();
    if (editor_.PlanMouseDown) {
        apply(editor_.move(lastPointer_));
        return;
    }
    bool hide = false;
    if (editor_.hover(lastPointer_, ScrollOffset, hide))
        hint_.ActivateHint(this, lastPointer_, aisles_.at(editor_.HoverIndex).CatName);
    else if (hide)
        hint_.HideHintWindow();
}

void FloorplanView::mouseReleaseEvent(QMouseEvent* event) {
    lastPointer_ = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        apply(editor_.releaseLeft());
    else if (event->button() == Qt::RightButton)
        apply(editor_.releaseRight());
}
