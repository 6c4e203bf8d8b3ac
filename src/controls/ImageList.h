#pragma once

#include <QList>
#include <QPixmap>
#include <QSize>

namespace ui {

// Images of one size, picked by index, as buttons and toolbars use them.
class ImageList {
public:
    ImageList() = default;
    explicit ImageList(QSize size) : size_(size) {}

    QSize size() const { return size_; }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    int count() const { return static_cast<int>(images_.size()); }
    bool isEmpty() const { return images_.isEmpty(); }

    // Adds an image, scaled to the list's size when it differs; returns its index.
    int add(const QPixmap& image);
    // The image at index; a null pixmap when out of range.
    QPixmap image(int index) const;

private:
    QSize size_{16, 16};
    QList<QPixmap> images_;
};

} // namespace ui
