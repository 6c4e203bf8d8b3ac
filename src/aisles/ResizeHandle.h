#pragma once

#include "ShopAisles.h"

#include <QWidget>

// One of the four 7 x 7 corner handles of the single selected aisle, in the plan's outline colour. Its mouse
// events go to the floor plan view in view coordinates; the press captures the mouse until the release.
class ResizeHandle : public QWidget {
    Q_OBJECT

public:
    static constexpr int Size = 7;
    ResizeHandle(ShopAisles::Handle corner, QWidget* view);
    ShopAisles::Handle corner() const { return corner_; }

signals:
    void pressed(ResizeHandle* handle, QPoint view);
    void moved(ResizeHandle* handle, QPoint view);
    void released(ResizeHandle* handle);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ShopAisles::Handle corner_;
};
