#pragma once

#include <QHeaderView>
#include <QPoint>

namespace ui {

class ThemedDBGrid;

// The title row of a ThemedDBGrid. It paints each title as a header item that is hot under the mouse and
// sunken while pressed, and reports the mouse to the grid, which keeps that state.
class ThemedHeader : public QHeaderView {
    Q_OBJECT

public:
    explicit ThemedHeader(ThemedDBGrid* grid);

    void repaintSection(int logicalIndex) { updateSection(logicalIndex); }
    // The column whose border lies under x (the column left of the border), -1 when none.
    int borderAt(int x) const;
    // Where a title's caption is drawn, in header coordinates, for a title of the given state.
    QRect captionRect(int logicalIndex, bool pressed) const;
    QPoint captionPosition(int logicalIndex, bool pressed) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QPoint cellAt(QPoint pos) const;
    QRect sectionRect(int logicalIndex) const;

    ThemedDBGrid* grid_;
    QPoint pressPos_;
    bool leftDown_ = false;
};

} // namespace ui
