#include "FloorplanEditor.h"

void FloorplanEditor::reset() {
    HoverIndex = -1;
    PlanMouseDown = false;
    HandleDragging = false;
    PendingSelect = false;
    SetSequenceMode = false;
    cursor_ = Cursor::Normal;
}

void FloorplanEditor::setCursor(Cursor c, Effects& fx) {
    if (cursor_ != c) {
        cursor_ = c;
        fx.cursorChanged = true;
    }
}

void FloorplanEditor::endSetSequence(Effects& fx) {
    SetSequenceMode = false;
    setCursor(Cursor::Normal, fx);
    fx.cursorChanged = true; // refresh the pointer's shape at once
}

FloorplanEditor::Effects FloorplanEditor::press(QPoint view, QPoint scroll, bool ctrl) {
    Effects fx;
    if (PlanMouseDown)
        return fx;
    PlanMouseDown = true;
    DownPoint = LastDragPoint = view;
    const int h = aisles_.hitTest(view + scroll);
    HoverIndex = h;
    fx.repaint = true;

    if (h < 0) {
        aisles_.clearSelection();
        fx.selectionChanged = true;
        if (SetSequenceMode)
            endSetSequence(fx);
        return fx;
    }
    FloorAisle* hit = &aisles_.at(h);
    if (SetSequenceMode) {
        FloorAisle* anchor = aisles_.selected().empty() ? nullptr : aisles_.selected().front();
        if (hit == anchor)
            return fx;
        if (!ctrl)
            endSetSequence(fx);
        const int s = aisles_.indexOf(anchor);
        if (s >= 0 && h != s + 1)
            aisles_.moveAfter(s, h);
        if (ctrl) {
            aisles_.selectOnly(aisles_.indexOf(hit));
            fx.selectionChanged = true;
        }
        return fx;
    }
    if (ctrl) {
        aisles_.toggle(h);
        fx.selectionChanged = true;
    } else if (aisles_.selectedCount() > 1 && hit->Selected) {
        PendingSelect = true;
    } else {
        aisles_.selectOnly(h);
        fx.selectionChanged = true;
    }
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::move(QPoint view) {
    Effects fx;
    if (!PlanMouseDown)
        return fx;
    if (cursor_ == Cursor::Normal) {
        const QPoint d = view - DownPoint;
        if (d.x() * d.x() + d.y() * d.y() < 20)
            return fx;
    }
    if (SetSequenceMode)
        return fx;
    PendingSelect = false;
    if (aisles_.selected().empty())
        return fx;
    setCursor(Cursor::Move, fx);
    const int dx = ShopAisles::gridDelta(view.x() - LastDragPoint.x());
    const int dy = ShopAisles::gridDelta(view.y() - LastDragPoint.y());
    if ((dx == 0 && dy == 0) || !aisles_.moveSelection(dx, dy))
        return fx;
    LastDragPoint += QPoint(dx, dy);
    fx.repaint = fx.rectsChanged = fx.moved = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::releaseLeft() {
    Effects fx;
    if (!PlanMouseDown)
        return fx;
    PlanMouseDown = false;
    if (!SetSequenceMode)
        setCursor(Cursor::Normal, fx);
    if (PendingSelect) {
        if (HoverIndex >= 0 && HoverIndex < aisles_.count())
            aisles_.selectOnly(HoverIndex);
        else
            aisles_.clearSelection();
        PendingSelect = false;
        fx.selectionChanged = true;
    }
    fx.repaint = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::releaseRight() {
    Effects fx;
    if (SetSequenceMode)
        endSetSequence(fx);
    else
        fx.popup = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::handlePress(QPoint view) {
    Effects fx;
    if (HandleDragging)
        return fx;
    HandleDragging = true;
    DownPoint = LastDragPoint = view;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::handleMove(ShopAisles::Handle handle, QPoint view) {
    Effects fx;
    if (!HandleDragging || aisles_.selectedCount() != 1)
        return fx;
    const int dx = ShopAisles::gridDelta(view.x() - LastDragPoint.x());
    const int dy = ShopAisles::gridDelta(view.y() - LastDragPoint.y());
    if ((dx == 0 && dy == 0) || !aisles_.resizeSelected(handle, dx, dy))
        return fx;
    LastDragPoint += QPoint(dx, dy);
    fx.repaint = fx.rectsChanged = true;
    return fx;
}

bool FloorplanEditor::hover(QPoint view, QPoint scroll, bool& hideHint) {
    hideHint = false;
    const int h = aisles_.hitTest(view + scroll);
    if (h < 0) {
        HoverIndex = -1;
        hideHint = true;
        return false;
    }
    if (h == HoverIndex)
        return false;
    HoverIndex = h;
    return true;
}

FloorplanEditor::Effects FloorplanEditor::startSetSequence() {
    Effects fx;
    if (aisles_.selectedCount() != 1 || aisles_.count() < 2)
        return fx;
    SetSequenceMode = true;
    setCursor(Cursor::PointingHand, fx);
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::selectAll() {
    Effects fx;
    aisles_.selectAllPlaced();
    fx.repaint = fx.selectionChanged = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::keyMove(int stepsX, int stepsY) {
    Effects fx;
    if (busy() || aisles_.selected().empty() ||
        !aisles_.moveSelection(stepsX * ShopAisles::GridStep, stepsY * ShopAisles::GridStep))
        return fx;
    fx.repaint = fx.rectsChanged = fx.moved = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::keyResize(int stepsX, int stepsY) {
    Effects fx;
    if (busy() || aisles_.selected().empty() ||
        !aisles_.growSelection(stepsX * ShopAisles::GridStep, stepsY * ShopAisles::GridStep))
        return fx;
    fx.repaint = fx.rectsChanged = fx.moved = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::keyUnplace() {
    Effects fx;
    if (busy() || aisles_.unplaceSelected() == 0)
        return fx;
    HoverIndex = -1;
    fx.repaint = fx.selectionChanged = fx.moved = fx.unplaced = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::keyCycle(bool forward) {
    Effects fx;
    if (busy())
        return fx;
    const int next = aisles_.nextPlaced(currentIndex(), forward);
    if (next < 0)
        return fx;
    aisles_.selectOnly(next);
    fx.repaint = fx.selectionChanged = true;
    return fx;
}

FloorplanEditor::Effects FloorplanEditor::keyEscape() {
    Effects fx;
    if (PlanMouseDown || HandleDragging)
        return fx;
    if (SetSequenceMode) {
        endSetSequence(fx);
        return fx;
    }
    if (aisles_.selected().empty())
        return fx;
    aisles_.clearSelection();
    fx.repaint = fx.selectionChanged = true;
    return fx;
}

int FloorplanEditor::currentIndex() const {
    return aisles_.selected().empty() ? -1 : aisles_.indexOf(aisles_.selected().back());
}
