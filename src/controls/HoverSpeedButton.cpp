#include "HoverSpeedButton.h"

#include "ControlsAccessibility.h"
#include "Icons.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <qdrawutil.h>

namespace ui {

namespace {

QColor& defaultColour() {
    static QColor colour(0xe8, 0xf0, 0xfc);
    return colour;
}

} // namespace

HoverSpeedButton::HoverSpeedButton(QWidget* parent)
    : QAbstractButton(parent), mouseoverColor_(defaultColour()) {
    ControlsAccessibility::install();
    resize(22, 23);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
    connect(this, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            releaseOthersInGroup();
    });
}

void HoverSpeedButton::setDefaultMouseoverColor(const QColor& colour) {
    defaultColour() = colour;
}

QColor HoverSpeedButton::defaultMouseoverColor() {
    return defaultColour();
}

void HoverSpeedButton::setGlyph(const QPixmap& strip) {
    glyph_ = strip;
    update();
}

void HoverSpeedButton::setNumGlyphs(int count) {
    numGlyphs_ = std::clamp(count, 1, 4);
    update();
}

void HoverSpeedButton::setMouseoverColor(const QColor& colour) {
    mouseoverColor_ = colour;
    update();
}

void HoverSpeedButton::setFlat(bool on) {
    flat_ = on;
    if (!flat_)
        inside_ = false;
    update();
}

void HoverSpeedButton::setTransparent(bool on) {
    transparent_ = on;
    update();
}

void HoverSpeedButton::setGroupIndex(int index) {
    groupIndex_ = index;
    setCheckable(index != 0);
    if (index == 0)
        setChecked(false);
    else if (isChecked())
        releaseOthersInGroup();
    update();
}

void HoverSpeedButton::releaseOthersInGroup() {
    if (groupIndex_ == 0 || !parentWidget())
        return;
    const auto siblings = parentWidget()->findChildren<HoverSpeedButton*>(Qt::FindDirectChildrenOnly);
    for (HoverSpeedButton* b : siblings)
        if (b != this && b->groupIndex_ == groupIndex_ && b->isChecked())
            b->setChecked(false);
}

void HoverSpeedButton::nextCheckState() {
    if (groupIndex_ == 0)
        return;
    if (isChecked()) {
        if (allowAllUp_)
            setChecked(false);
        return;
    }
    setChecked(true);
}

HoverSpeedButton::State HoverSpeedButton::visualState() const {
    if (!isEnabled())
        return State::Disabled;
    if (isDown())
        return State::Down;
    if (groupIndex_ != 0 && isChecked())
        return State::Exclusive;
    return State::Up;
}

QPixmap HoverSpeedButton::stateImage(State state) const {
    QPixmap up;
    if (!glyph_.isNull()) {
        const int w = glyph_.width() / numGlyphs_;
        const auto slice = [&](int i) { return glyph_.copy(i * w, 0, w, glyph_.height()); };
        const int index = static_cast<int>(state);
        if (index < numGlyphs_)
            return slice(index);
        up = slice(0);
    } else if (!icon().isNull()) {
        const QSize size = iconSize().boundedTo(this->size());
        up = icon().pixmap(size, QIcon::Normal);
        if (state == State::Disabled)
            return icon().pixmap(size, QIcon::Disabled);
        return up;
    }
    return state == State::Disabled ? Icons::disabledLook(up) : up;
}

QRect HoverSpeedButton::innerRect() const {
    if (!flat_)
        return rect().adjusted(2, 2, -2, -2);
    return rect().adjusted(1, 1, -1, -1); // the hover frame or the edge takes one pixel all round
}

QRect HoverSpeedButton::imageRect() const {
    const State state = visualState();
    const QPixmap pm = stateImage(state);
    const QSize size = pm.isNull() ? QSize() : pm.deviceIndependentSize().toSize();
    const QRect inner = innerRect();
    int x = inner.left() + (inner.width() - size.width() + 1) / 2;
    int y = inner.top() + (inner.height() - size.height() + 1) / 2;
    if (state == State::Down || state == State::Exclusive) {
        x += 1;
        y += 1;
    }
    return {QPoint(x, y), size};
}

void HoverSpeedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const State state = visualState();
    const bool sunk = state == State::Down || state == State::Exclusive;
    const QColor face = palette().color(QPalette::Button);
    const QRect whole = rect();

    if (flat_) {
        if (sunk) {
            const QBrush fill(face);
            qDrawShadePanel(&p, whole, palette(), true, 1, transparent_ ? nullptr : &fill);
        } else if (!transparent_) {
            p.fillRect(whole, face);
        }
    } else {
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = whole;
        opt.state |= sunk ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);
    }

    if (flat_ && inside_) {
        if (sunk) {
            p.fillRect(whole.adjusted(1, 1, -1, -1), mouseoverColor_);
        } else {
            p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::SolidLine));
            p.setBrush(mouseoverColor_);
            p.drawRect(whole.adjusted(0, 0, -1, -1));
        }
    }

    const QPixmap pm = stateImage(state);
    if (pm.isNull())
        return;
    const QRect target = imageRect();
    if (!transparent_ && state != State::Exclusive && !(flat_ && inside_))
        p.fillRect(target, face);
    p.drawPixmap(target.topLeft(), pm);
}

void HoverSpeedButton::mouseEntered() {
    if (flat_ && isEnabled() && !inside_ && !QWidget::mouseGrabber()) {
        inside_ = true;
        update();
    }
}

void HoverSpeedButton::mouseLeft() {
    if (flat_ && inside_ && isEnabled() && !pressing_) {
        inside_ = false;
        update();
    }
}

void HoverSpeedButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    mouseEntered();
}

void HoverSpeedButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    mouseLeft();
}

void HoverSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressing_ = true;
    QAbstractButton::mousePressEvent(event);
}

void HoverSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractButton::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    pressing_ = false;
    // The press held the mouse; whether it is still over the button decides the look now.
    if (rect().contains(event->position().toPoint()))
        mouseEntered();
    else
        mouseLeft();
}

} // namespace ui
