#include "ResizeHandle.h"

#include "RenderFloorplan.h"

#include <QMouseEvent>
#include <QPainter>

ResizeHandle::ResizeHandle(ShopAisles::Handle corner, QWidget* view) : QWidget(view), corner_(corner) {
    static const char* names[] = {"HandleTL", "HandleTR", "HandleBL", "HandleBR"};
    setObjectName(QString::fromLatin1(names[static_cast<int>(corner)]));
    resize(Size, Size);
    const bool nwse = corner == ShopAisles::Handle::TopLeft || corner == ShopAisles::Handle::BottomRight;
    setCursor(nwse ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    hide();
}

void ResizeHandle::paintEvent(QPaintEvent*) {
    // The colour of the aisles' outlines: black on the standard plan, light on a dark one.
    QPainter(this).fillRect(rect(), FloorplanColours::forPalette(palette()).outline);
}

void ResizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit pressed(this, event->position().toPoint() + pos());
}

void ResizeHandle::mouseMoveEvent(QMouseEvent* event) {
    emit moved(this, event->position().toPoint() + pos());
}

void ResizeHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit released(this);
}
