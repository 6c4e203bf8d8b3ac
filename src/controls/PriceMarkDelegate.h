#pragma once

#include "PriceSignals.h"

#include <QStyledItemDelegate>

#include <functional>

namespace ui {

// Draws a price cell as the price log judges it: a price that may be stale in a muted colour, one that went
// up with a small up-pointing mark at the cell's left, and their meaning in the cell's tooltip. The colours
// come from the view's palette, so they read in a dark scheme too. Cells the hook gives no signal are drawn
// as any other.
class PriceMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using SignalOf = std::function<PriceSignal(const QModelIndex&)>;

    explicit PriceMarkDelegate(QObject* parent = nullptr);

    void setSignalOf(SignalOf signalOf) { signalOf_ = std::move(signalOf); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // A text colour between the palette's text and its base: visible, but quieter than the text.
    static QColor mutedColour(const QPalette& palette);
    // A red that stands out from the palette's base, light on a dark base and dark on a light one.
    static QColor upColour(const QPalette& palette);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    PriceSignal signalAt(const QModelIndex& index) const;

    SignalOf signalOf_;
};

} // namespace ui
