#pragma once

#include "QrCode.h"

#include <QByteArray>
#include <QString>

#include <vector>

// A text as QR codes to scan from the screen: one code when it fits, else the text split at line ends (a
// line too long for a code at a character's end) into numbered parts, "1 of 3", that put together in order
// give the text back exactly.
class QrCodeSeries {
public:
    explicit QrCodeSeries(const QString& text);

    int count() const { return static_cast<int>(codes_.size()); }
    const QrCode& code(int index) const { return codes_.at(static_cast<size_t>(index)); }
    // The UTF-8 bytes code `index` holds.
    const QByteArray& part(int index) const { return parts_.at(static_cast<size_t>(index)); }

    // The text's UTF-8 bytes in parts of at most `capacity` bytes, whole lines where they fit.
    static std::vector<QByteArray> split(const QString& text, int capacity);

private:
    std::vector<QByteArray> parts_;
    std::vector<QrCode> codes_;
};
