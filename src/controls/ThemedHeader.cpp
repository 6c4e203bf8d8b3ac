#include "ThemedHeader.h"

#include "ThemedDBGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace ui {

ThemedHeader::ThemedHeader(ThemedDBGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QPoint ThemedHeader::cellAt(QPoint pos) const {
    const int logical = logicalIndexAt(pos);
    if (logical < 0 || pos.y() < 0 || pos.y() >= height())
        return {-1, -1};
    return {logical + 1, 0};
}

int ThemedHeader::borderAt(int x) const {
    int visual = visualIndexAt(x);
    if (visual < 0)
        return -1;
    const int logical = logicalIndex(visual);
    const int start = sectionViewportPosition(logical);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    bool atLeft = x < start + grip;
    bool atRight = start + sectionSize(logical) - grip < x;
    if (isRightToLeft())
        std::swap(atLeft, atRight);
    int column = -1;
    if (atLeft) {
        while (visual > 0) {
            const int l = this->logicalIndex(--visual);
            if (!isSectionHidden(l)) {
                column = l;
                break;
            }
        }
    } else if (atRight) {
        column = logical;
    }
    if (column >= 0 && sectionResizeMode(column) != QHeaderView::Interactive)
        return -1;
    return column;
}

QRect ThemedHeader::sectionRect(int logicalIndex) const {
    return QRect(sectionViewportPosition(logicalIndex), 0, sectionSize(logicalIndex), viewport()->height());
}

QRect ThemedHeader::captionRect(int logicalIndex, bool pressed) const {
    const QRect cell = sectionRect(logicalIndex);
    // A pressed title keeps the cell and narrows its caption; the others draw over the grid lines.
    return pressed ? cell.adjusted(1, -1, -1, 1) : cell;
}

QPoint ThemedHeader::captionPosition(int logicalIndex, bool pressed) const {
    const QRect r = captionRect(logicalIndex, pressed);
    const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    const QFontMetrics fm(font());
    const int tw = fm.horizontalAdvance(text);
    const int th = fm.height();
    Qt::Alignment align = defaultAlignment();
    if (model()) {
        const QVariant a = model()->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole);
        if (a.isValid())
            align = a.value<Qt::Alignment>();
    }
    align = QStyle::visualAlignment(layoutDirection(), align);
    int x = r.left() + 2;
    if (align & Qt::AlignHCenter)
        x = r.left() + (r.width() - tw) / 2;
    else if (align & Qt::AlignRight)
        x = r.left() + r.width() - tw - 2;
    const int y = r.top() + (r.height() - th) / 2;
    return {x, y};
}

void ThemedHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    const int column = logicalIndex + 1;
    const bool pressed =
        grid_->titlePressed() && grid_->pressedColumn() == column && grid_->titleClickEffect();
    const bool hot = !pressed && grid_->hotColumn() == column;

    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = pressed ? rect : rect.adjusted(0, 0, 1, 2);
    opt.section = logicalIndex;
    opt.orientation = Qt::Horizontal;
    opt.state = QStyle::State_Horizontal;
    if (isEnabled())
        opt.state |= QStyle::State_Enabled;
    if (hot)
        opt.state |= QStyle::State_MouseOver;
    if (pressed)
        opt.state |= QStyle::State_Sunken;
    else
        opt.state |= QStyle::State_Raised;

    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
    // The style's own hover and press looks are faint; mark both plainly.
    if (hot) {
        QColor c = palette().color(QPalette::Highlight);
        c.setAlpha(48);
        painter->fillRect(opt.rect, c);
    } else if (pressed) {
        QColor c = palette().color(QPalette::Shadow);
        c.setAlpha(40);
        painter->fillRect(opt.rect, c);
    }

    const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    if (!text.isEmpty()) {
        const QRect captionArea = pressed ? rect.adjusted(1, -1, -1, 1) : rect;
        const QPoint offset =
            captionPosition(logicalIndex, pressed) - captionRect(logicalIndex, pressed).topLeft();
        painter->setClipRect(captionArea, Qt::IntersectClip);
        QFont titleFont = font();
        titleFont.setBold(grid_->boldTitleColumn() == logicalIndex);
        painter->setFont(titleFont);
        painter->setPen(palette().color(QPalette::ButtonText));
        const QFontMetrics fm(titleFont);
        painter->drawText(captionArea.topLeft() + offset + QPoint(0, fm.ascent()), text);
    }
    painter->restore();
}

void ThemedHeader::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    leftDown_ = event->button() == Qt::LeftButton;
    pressPos_ = pos;
    grid_->gridMousePress(cellAt(pos), event->button(), borderAt(pos.x()) >= 0);
    QHeaderView::mousePressEvent(event);
}

void ThemedHeader::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (leftDown_ && (event->buttons() & Qt::LeftButton) && !grid_->sizing() && !grid_->dragging() &&
        grid_->titlePressed() && sectionsMovable() &&
        (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance())
        grid_->columnDragStarted();
    grid_->gridMouseMove(cellAt(pos));
    QHeaderView::mouseMoveEvent(event);
}

void ThemedHeader::mouseReleaseEvent(QMouseEvent* event) {
    QHeaderView::mouseReleaseEvent(event);
    leftDown_ = false;
    grid_->gridMouseRelease();
}

bool ThemedHeader::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter: {
        const auto* e = static_cast<QEnterEvent*>(event);
        grid_->titleMouseEnter(cellAt(e->position().toPoint()));
        break;
    }
    case QEvent::Leave:
        grid_->gridMouseLeave();
        break;
    default:
        break;
    }
    return QHeaderView::viewportEvent(event);
}

} // namespace ui
