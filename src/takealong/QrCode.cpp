#include "QrCode.h"

#include <qrencode.h>

#include <QPainter>

#include <cerrno>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kQuietZone = 4;

} // namespace

QrCode QrCode::encode(const QByteArray& bytes) {
    QrCode code;
    if (bytes.isEmpty())
        return code;
    errno = 0;
    const std::unique_ptr<QRcode, void (*)(QRcode*)> made(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char*>(bytes.constData()), 0, QR_ECLEVEL_M),
        QRcode_free);
    if (!made) {
        if (errno == ERANGE)
            return code;
        throw std::runtime_error("The QR code could not be made.");
    }
    if (made->version > kMaxVersion)
        return code;
    code.version_ = made->version;
    code.width_ = made->width;
    code.modules_.resize(static_cast<size_t>(made->width) * static_cast<size_t>(made->width));
    for (size_t i = 0; i < code.modules_.size(); ++i)
        code.modules_[i] = made->data[i] & 1; // the lowest bit is the module's colour
    return code;
}

int QrCode::capacity() {
    // Byte mode holds the same number of bytes whatever they are, so the limit is found once.
    static const int bytes = [] {
        int fits = 0;
        int tooMany = 4096;
        while (tooMany - fits > 1) {
            const int n = (fits + tooMany) / 2;
            if (encode(QByteArray(n, 'a')).isNull())
                tooMany = n;
            else
                fits = n;
        }
        return fits;
    }();
    return bytes;
}

QImage QrCode::image(int scale) const {
    const int side = (width_ + 2 * kQuietZone) * scale;
    QImage picture(side, side, QImage::Format_Grayscale8);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    for (int y = 0; y < width_; ++y)
        for (int x = 0; x < width_; ++x)
            if (dark(x, y))
                painter.fillRect((x + kQuietZone) * scale, (y + kQuietZone) * scale, scale, scale, Qt::black);
    return picture;
}
