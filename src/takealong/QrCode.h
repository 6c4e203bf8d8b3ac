#pragma once

#include <QByteArray>
#include <QImage>

#include <vector>

// One QR code, made with libqrencode from bytes in byte mode at error-correction level M (15 % of the code
// may be lost), which phones read well from a screen.
class QrCode {
public:
    // The largest version used: 97 modules a side still gives a phone's camera 4 pixels a module on a
    // 420-pixel picture.
    static constexpr int kMaxVersion = 20;

    // The code of the bytes; a null code when they do not fit into a code up to kMaxVersion.
    static QrCode encode(const QByteArray& bytes);
    // The most bytes one code holds.
    static int capacity();

    bool isNull() const { return width_ == 0; }
    int version() const { return version_; }
    int width() const { return width_; } // modules a side
    bool dark(int x, int y) const { return modules_[static_cast<size_t>(y * width_ + x)] != 0; }
    // Black modules on white, `scale` pixels a module, in a quiet zone of four modules all round.
    QImage image(int scale) const;

private:
    int version_ = 0;
    int width_ = 0;
    std::vector<unsigned char> modules_;
};
