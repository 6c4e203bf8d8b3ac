#include "ImageList.h"

namespace ui {

int ImageList::add(const QPixmap& image) {
    QPixmap pm = image;
    const QSize logical = image.deviceIndependentSize().toSize();
    if (!pm.isNull() && logical != size_)
        pm = pm.scaled(size_ * pm.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    images_.append(pm);
    return static_cast<int>(images_.size()) - 1;
}

QPixmap ImageList::image(int index) const {
    if (index < 0 || index >= images_.size())
        return {};
    return images_[index];
}

} // namespace ui
