#pragma once

#include "FloorplanEditor.h"
#include "ShopAisles.h"

#include <QWidget>

#include <array>

class AisleHintWindow;
class ResizeHandle;

// The paint box of the "Floorplan" sub-page: draws the plan with RenderFloorplan, turns the mouse into the
// editor's gestures, shows hints and carries the four resize handles.
class FloorplanView : public QWidget {
    Q_OBJECT

public:
    FloorplanView(ShopAisles& aisles, FloorplanEditor& editor, AisleHintWindow& hint,
                  QWidget* parent = nullptr);

    // The plan's face: Tahoma, bold, 8 points; the printout takes its labels' face from it too.
    static QFont planFont();

    QPoint ScrollOffset;
    bool sequenceArrows() const { return arrows_; }
    void setSequenceArrows(bool on);

    // Shows the handles around the single selected aisle, hides them otherwise.
    void HandlesFollow();
    ResizeHandle* handle(ShopAisles::Handle corner) const { return handles_[static_cast<size_t>(corner)]; }

    // Applies what an editing step changed: repaint, handles, cursors, signals.
    void apply(const FloorplanEditor::Effects& fx);
    // Back to the normal cursor, also for the application.
    void resetCursor();

signals:
    void selectionChanged();
    void aislesMoved();
    void popupRequested(QPoint global);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyCursor();

    ShopAisles& aisles_;
    FloorplanEditor& editor_;
    AisleHintWindow& hint_;
    bool arrows_ = true;
    bool overrideCursor_ = false;
    QPoint lastPointer_;
    std::array<ResizeHandle*, 4> handles_{};
};
