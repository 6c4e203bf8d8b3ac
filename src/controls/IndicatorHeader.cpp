#include "IndicatorHeader.h"

#include "ThemedDBGrid.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

namespace ui {

namespace {

QPixmap drawMark(int index, const QColor& colour) {
    QPixmap pm(8, 10);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(colour);
    switch (index) {
    case 1: // edit: an I-beam
        p.drawLine(1, 0, 5, 0);
        p.drawLine(3, 0, 3, 9);
        p.drawLine(1, 9, 5, 9);
        break;
    case 2: // insert: an asterisk
        p.drawLine(3, 1, 3, 8);
        p.drawLine(0, 3, 6, 6);
        p.drawLine(0, 6, 6, 3);
        break;
    case 3: // selected: a dot
        p.setBrush(colour);
        p.drawEllipse(QRect(1, 3, 4, 4));
        break;
    default:
        break;
    }
    return pm;
}

void drawArrow(QPainter* p, int x, int y, int size, const QColor& colour) {
    // A right-pointing solid triangle, size pixels wide and 2 * size - 1 high.
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x + size, y + size - 1);
    path.lineTo(x, y + 2 * size - 1);
    path.closeSubpath();
    p->fillPath(path, colour);
}

} // namespace

IndicatorHeader::IndicatorHeader(ThemedDBGrid* grid) : QHeaderView(Qt::Vertical, grid), grid_(grid) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(true);
    setHighlightSections(false);
}

QSize IndicatorHeader::sizeHint() const {
    return {kWidth, defaultSectionSize()};
}

QPixmap IndicatorHeader::indicatorImage(int index) {
    static const QPixmap images[4] = {QPixmap(), drawMark(1, Qt::black), drawMark(2, Qt::black),
                                      drawMark(3, Qt::black)};
    return index >= 0 && index < 4 ? images[index] : QPixmap();
}

QPixmap IndicatorHeader::indicatorImage(int index, const QColor& colour) {
    if (colour == QColor(Qt::black))
        return indicatorImage(index);
    return index >= 1 && index < 4 ? drawMark(index, colour) : QPixmap();
}

IndicatorHeader::Mark IndicatorHeader::markFor(int row) const {
    const engine::DataSet* d = grid_->dataSet();
    if (!d || !d->isOpen() || d->recordCount() == 0)
        return Mark::None;
    if (row == d->recNo()) {
        switch (d->state()) {
        case engine::DataSet::State::Edit:
            return Mark::Edit;
        case engine::DataSet::State::Insert:
            return Mark::Insert;
        default:
            return Mark::Arrow;
        }
    }
    return grid_->multiSelect() && grid_->isRowSelected(row) ? Mark::Selected : Mark::None;
}

void IndicatorHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    painter->save();
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    opt.rect = rect.adjusted(0, 0, 1, 2);
    opt.orientation = Qt::Vertical;
    opt.section = logicalIndex;
    opt.state = QStyle::State_Raised | (isEnabled() ? QStyle::State_Enabled : QStyle::State_None);
    style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);

    const Mark mark = markFor(logicalIndex);
    // Black marks with a white edge on a light header; on a dark one, light marks with a black edge.
    const QColor ink = palette().color(QPalette::ButtonText);
    const QColor edge = ink.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
    int image = 0;
    switch (mark) {
    case Mark::Arrow:
        // The edge colour first, then the mark one pixel to the left, so it stands out on any background.
        drawArrow(painter, rect.left() + 4, rect.top() + 3, 5, edge);
        drawArrow(painter, rect.left() + 3, rect.top() + 3, 5, ink);
        break;
    case Mark::Edit:
        image = 1;
        break;
    case Mark::Insert:
        image = 2;
        break;
    case Mark::Selected:
        image = 3;
        break;
    case Mark::None:
        break;
    }
    if (image > 0) {
        const QPixmap pm = indicatorImage(image, ink);
        int x = rect.left() + (rect.width() - pm.width()) / 2;
        const int y = rect.top() + (rect.height() - pm.height()) / 2;
        if (image != 3 || isRightToLeft())
            x += 1; // the edit and insert marks sit one pixel right, and every image in right-to-left
        painter->drawPixmap(x, y, pm);
    }
    painter->restore();
}

} // namespace ui
