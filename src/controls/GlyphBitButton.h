#pragma once

#include "ImageList.h"

#include <QPushButton>

namespace ui {

// A push button that shows one picture of an image list beside its caption: from the normal list while
// enabled, from the disabled list while disabled (made from the normal picture when that list is empty),
// always at the same place. Without a normal list or with image index -1 it is an ordinary push button.
class GlyphBitButton : public QPushButton {
    Q_OBJECT
    Q_PROPERTY(int imageIndex READ imageIndex WRITE setImageIndex)

public:
    enum class Layout { ImageLeft, ImageRight };

    explicit GlyphBitButton(QWidget* parent = nullptr);
    explicit GlyphBitButton(const QString& text, QWidget* parent = nullptr);

    void setNormalImageList(const ImageList& images);
    const ImageList& normalImageList() const { return normal_; }
    void setDisabledImageList(const ImageList& images);
    const ImageList& disabledImageList() const { return disabled_; }
    void setImageIndex(int index);
    int imageIndex() const { return imageIndex_; }
    void setImageLayout(Layout layout);
    Layout imageLayout() const { return layout_; }

    bool drawsImage() const { return !normal_.isEmpty() && imageIndex_ >= 0; }
    // The picture shown in the present state, and where it goes; null and empty when none is drawn.
    QPixmap currentImage() const;
    QRect imageRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int captionWidth() const;

    ImageList normal_;
    ImageList disabled_;
    int imageIndex_ = -1;
    Layout layout_ = Layout::ImageLeft;
};

} // namespace ui
