#pragma once

#include <QHeaderView>
#include <QPixmap>

namespace ui {

class ThemedDBGrid;

// The indicator column of a ThemedDBGrid: the current record carries an arrow while browsing, an edit mark
// while editing and an insert mark while inserting; other rows chosen in multi-selection carry a dot.
class IndicatorHeader : public QHeaderView {
    Q_OBJECT

public:
    enum class Mark { None, Arrow, Edit, Insert, Selected };

    explicit IndicatorHeader(ThemedDBGrid* grid);

    static constexpr int kWidth = 12;

    void repaintSection(int logicalIndex) { updateSection(logicalIndex); }
    // The mark the row carries now.
    Mark markFor(int row) const;
    QSize sizeHint() const override;

    // The images of the indicator: 1 edit, 2 insert, 3 selected (0 unused, the arrow is drawn), in black or
    // in the colour of the header's text (black under a light scheme, light under a dark one).
    static QPixmap indicatorImage(int index);
    static QPixmap indicatorImage(int index, const QColor& colour);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    ThemedDBGrid* grid_;
};

} // namespace ui
