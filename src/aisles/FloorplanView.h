#pragma once

#include "FloorplanEditor.h"
#include "ShopAisles.h"

#include <QWidget>

#include <array>

class AisleHintWindow;
class ResizeHandle;

// The paint box of the "Floorplan" sub-page: draws the plan with RenderFloorplan, turns the mouse and the
// keyboard into the editor's gestures, shows hints and carries the four resize handles. Keys: arrows move
// the selected aisles a grid step, Shift+arrows resize them, Delete takes them off the plan, Tab and
// Shift+Tab select the next and previous aisle, Escape deselects, Ctrl+A selects all, the menu key (or
// Shift+F10) opens the popup menu.
class FloorplanView : public QWidget {
    Q_OBJECT

public:
    FloorplanView(ShopAisles& aisles, FloorplanEditor& editor, AisleHintWindow& hint,
                  QWidget* parent = nullptr);

    // The plan's face: Tahoma, bold, 8 points; the printout takes its labels' face from it too.
    static QFont planFont();

    QPoint ScrollOffset;
    const ShopAisles& aisles() const { return aisles_; }
    // The aisle the keyboard works from (the last one selected); -1 when none.
    int currentAisle() const { return editor_.currentIndex(); }
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
    // Aisles left the plan by the keyboard.
    void aislesUnplaced();
    // The keyboard moved to, moved or resized the aisle at this index of the plan: it should be in view.
    void aisleToShow(int index);
    void selectAllRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyCursor();
    // Runs a keyboard step: applies it and, when it changed anything, brings the current aisle into view.
    void applyKey(const FloorplanEditor::Effects& fx);
    void notifyAccessibility(const FloorplanEditor::Effects& fx);

    ShopAisles& aisles_;
    FloorplanEditor& editor_;
    AisleHintWindow& hint_;
    bool arrows_ = true;
    bool overrideCursor_ = false;
    QPoint lastPointer_;
    std::array<ResizeHandle*, 4> handles_{};
};
