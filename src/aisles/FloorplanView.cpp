#include "FloorplanView.h"

#include "AisleHintWindow.h"
#include "FloorplanAccessible.h"
#include "PainterCanvas.h"
#include "RenderFloorplan.h"
#include "ResizeHandle.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

FloorplanView::FloorplanView(ShopAisles& aisles, FloorplanEditor& editor, AisleHintWindow& hint,
                             QWidget* parent)
    : QWidget(parent), aisles_(aisles), editor_(editor), hint_(hint) {
    FloorplanAccessible::install();
    setObjectName(QStringLiteral("FloorPlan"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Floor plan"));
    setAccessibleDescription(QStringLiteral(
        "Tab selects the next aisle; arrow keys move the selected aisles, Shift+arrow keys resize them, "
        "Delete takes them off the plan"));
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
    RenderFloorplan(canvas, aisles_, false, 8, 1.0f, 1.0f, ScrollOffset, arrows_, {},
                    FloorplanColours::forPalette(palette()));
    if (hasFocus()) {
        // Where the keys go: a focus frame round the plan.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

bool FloorplanView::event(QEvent* e) {
    // Tab and Shift+Tab walk through the aisles while there are any on the plan; Ctrl+Tab leaves the plan.
    if (e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        const bool back = key->key() == Qt::Key_Backtab ||
                          (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
        if (plain && (key->key() == Qt::Key_Tab || back) && aisles_.placedCount() > 0) {
            hint_.HideHintWindow();
            applyKey(editor_.keyCycle(!back));
            return true;
        }
    }
    return QWidget::event(e);
}

void FloorplanView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = -1;
        break;
    case Qt::Key_Down:
        dy = 1;
        break;
    default:
        break;
    }
    hint_.HideHintWindow();
    if ((dx || dy) && mods == Qt::NoModifier) {
        applyKey(editor_.keyMove(dx, dy));
    } else if ((dx || dy) && mods == Qt::ShiftModifier) {
        applyKey(editor_.keyResize(dx, dy));
    } else if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        applyKey(editor_.keyUnplace());
    } else if (event->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        applyKey(editor_.keyEscape());
    } else if (event->matches(QKeySequence::SelectAll)) {
        emit selectAllRequested();
    } else if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        const int current = editor_.currentIndex();
        QPoint at(ShopAisles::GridStep, ShopAisles::GridStep);
        if (current >= 0) {
            const FloorAisle& a = aisles_.at(current);
            at = QPoint((a.RectLeft + a.RectRight) / 2, (a.RectTop + a.RectBottom) / 2) - ScrollOffset;
        }
        emit popupRequested(mapToGlobal(at));
    } else {
        QWidget::keyPressEvent(event);
    }
}

void FloorplanView::applyKey(const FloorplanEditor::Effects& fx) {
    apply(fx);
    if (fx.unplaced)
        emit aislesUnplaced();
    const int current = editor_.currentIndex();
    if ((fx.selectionChanged || fx.rectsChanged) && current >= 0)
        emit aisleToShow(current);
}

void FloorplanView::notifyAccessibility(const FloorplanEditor::Effects& fx) {
    if (fx.unplaced)
        FloorplanAccessible::aislesChanged(this);
    if (fx.selectionChanged)
        FloorplanAccessible::selectionChanged(this, editor_.currentIndex());
    if (fx.rectsChanged)
        FloorplanAccessible::locationChanged(this, editor_.currentIndex());
}

void FloorplanView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    FloorplanAccessible::focusMoved(this, editor_.currentIndex());
}

void FloorplanView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
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
    notifyAccessibility(fx);
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
