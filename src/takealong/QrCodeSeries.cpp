#include "QrCodeSeries.h"

#include <stdexcept>

QrCodeSeries::QrCodeSeries(const QString& text) : parts_(split(text, QrCode::capacity())) {
    for (const QByteArray& part : parts_) {
        codes_.push_back(QrCode::encode(part));
        if (codes_.back().isNull())
            throw std::runtime_error("A part of the list does not fit into a QR code.");
    }
}

std::vector<QByteArray> QrCodeSeries::split(const QString& text, int capacity) {
    std::vector<QByteArray> parts;
    QByteArray current;
    const QByteArray bytes = text.toUtf8();
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        QByteArray line = bytes.mid(start, end - start);
        start = end;
        if (current.size() + line.size() <= capacity) {
            current += line;
            continue;
        }
        if (!current.isEmpty())
            parts.push_back(current);
        current.clear();
        while (line.size() > capacity) {
            // Cut before a byte that starts a character, never inside one.
            qsizetype cut = capacity;
            while (cut > 0 && (static_cast<unsigned char>(line.at(cut)) & 0xC0) == 0x80)
                --cut;
            parts.push_back(line.left(cut));
            line.remove(0, cut);
        }
        current = line;
    }
    if (!current.isEmpty())
        parts.push_back(current);
    return parts;
}
