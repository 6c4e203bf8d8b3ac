#include "PriceMarkDelegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QPolygon>
#include <QToolTip>

namespace ui {

PriceMarkDelegate::PriceMarkDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

PriceSignal PriceMarkDelegate::signalAt(const QModelIndex& index) const {
    return signalOf_ && index.isValid() ? signalOf_(index) : PriceSignal{};
}

QColor PriceMarkDelegate::mutedColour(const QPalette& palette) {
    const QColor text = palette.color(QPalette::Text), base = palette.color(QPalette::Base);
    const auto mix = [](int a, int b) { return (a * 11 + b * 9) / 20; };
    return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()),
                  mix(text.blue(), base.blue()));
}

QColor PriceMarkDelegate::upColour(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() >= 128 ? QColor(176, 0, 0) : QColor(255, 128, 128);
}

void PriceMarkDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (signalAt(index).stale && !(option->state & QStyle::State_Selected))
        option->palette.setColor(QPalette::Text, mutedColour(option->palette));
}

void PriceMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!signalAt(index).wentUp)
        return;
    // A triangle pointing up, a third of the row high, at the left of the (right-aligned) price.
    const QRect r = option.rect;
    const int side = std::max(5, r.height() / 3) | 1;
    const int left = r.left() + 3, bottom = r.center().y() + side / 2;
    const QPolygon triangle{QPoint(left, bottom), QPoint(left + side - 1, bottom),
                            QPoint(left + side / 2, bottom - side + 1)};
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QColor colour = upColour(option.palette);
    painter->setPen(colour);
    painter->setBrush(colour);
    painter->drawPolygon(triangle);
    painter->restore();
}

bool PriceMarkDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event && event->type() == QEvent::ToolTip) {
        const QString tip = signalAt(index).toolTip;
        if (!tip.isEmpty()) {
            QToolTip::showText(event->globalPos(), tip, view, option.rect);
            return true;
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

} // namespace ui
