#include "GlyphBitButton.h"

#include "Icons.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

namespace {

constexpr int kSpacing = 4; // between picture and caption

QString plainCaption(const QString& text) {
    // The mnemonic marker takes no room; a doubled one is a real ampersand.
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            out += text[i];
        } else if (text[i] != QLatin1Char('&')) {
            out += text[i];
        }
    }
    return out;
}

} // namespace

GlyphBitButton::GlyphBitButton(QWidget* parent) : QPushButton(parent) {}

GlyphBitButton::GlyphBitButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void GlyphBitButton::setNormalImageList(const ImageList& images) {
    normal_ = images;
    updateGeometry();
    update();
}

void GlyphBitButton::setDisabledImageList(const ImageList& images) {
    disabled_ = images;
    update();
}

void GlyphBitButton::setImageIndex(int index) {
    imageIndex_ = index < 0 ? -1 : index;
    updateGeometry();
    update();
}

void GlyphBitButton::setImageLayout(Layout layout) {
    layout_ = layout;
    update();
}

int GlyphBitButton::captionWidth() const {
    const QString caption = plainCaption(text());
    return caption.isEmpty() ? 0 : fontMetrics().horizontalAdvance(caption);
}

QPixmap GlyphBitButton::currentImage() const {
    if (!drawsImage())
        return {};
    if (isEnabled())
        return normal_.image(imageIndex_);
    const QPixmap fromList = disabled_.image(imageIndex_);
    return fromList.isNull() ? Icons::disabledLook(normal_.image(imageIndex_)) : fromList;
}

QRect GlyphBitButton::imageRect() const {
    if (!drawsImage())
        return {};
    const int iw = normal_.width();
    const int ih = normal_.height();
    const int spare = width() - (iw + captionWidth() + kSpacing);
    const int left = layout_ == Layout::ImageRight ? width() - iw - spare / 2 : spare / 2;
    const int top = (height() - ih) / 2 + 1;
    return {left, top, iw, ih};
}

QSize GlyphBitButton::sizeHint() const {
    const QSize base = QPushButton::sizeHint();
    if (!drawsImage())
        return base;
    const int w = normal_.width() + kSpacing + captionWidth() + 16;
    const int h = normal_.height() + 8;
    return {std::max(base.width(), w), std::max(base.height(), h)};
}

void GlyphBitButton::paintEvent(QPaintEvent* event) {
    if (!drawsImage()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    p.drawControl(QStyle::CE_PushButtonBevel, opt);

    const QRect image = imageRect();
    const QString caption = text();
    if (!caption.isEmpty()) {
        const int cw = captionWidth();
        const int x =
            layout_ == Layout::ImageRight ? image.left() - kSpacing - cw : image.right() + 1 + kSpacing;
        const QRect textRect(x, 0, cw, height());
        style()->drawItemText(&p, textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                              palette(), isEnabled(), caption, QPalette::ButtonText);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &opt, this);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
    const QPixmap pm = currentImage();
    if (!pm.isNull())
        p.drawPixmap(image.topLeft(), pm);
}

} // namespace ui
