#include "V1File.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

const QByteArray kSignature = QByteArrayLiteral("Grocelle");

// Walks the bytes; every read past the end raises the incomplete-file error, so a cut file is never taken
// for a shorter valid one.
class Cursor {
public:
    Cursor(const QByteArray& bytes, const QString& path) : bytes_(bytes), path_(path) {}

    const char* take(qsizetype n) {
        if (n > bytes_.size() - pos_)
            throw V1FileError(V1Reader::incompleteMessage(path_));
        const char* p = bytes_.constData() + pos_;
        pos_ += n;
        return p;
    }
    void skip(qsizetype n) { take(n); }

    template <typename T> T number() {
        // The file is little-endian; assemble the bytes explicitly so the host's order does not matter.
        const auto* p = reinterpret_cast<const unsigned char*>(take(sizeof(T)));
        std::uint32_t raw = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            raw |= std::uint32_t(p[i]) << (8 * i);
        if constexpr (std::is_same_v<T, float>) {
            float f;
            std::memcpy(&f, &raw, sizeof f);
            return f;
        } else {
            return static_cast<T>(raw);
        }
    }

    QByteArray shortBytes() {
        const auto n = static_cast<unsigned char>(*take(1));
        return QByteArray(take(n), n);
    }
    QString shortString() { return decoder_.decode(shortBytes()); }

    // A count of 0 or below announces no records.
    int count() { return std::max<int>(0, number<std::int16_t>()); }

private:
    const QByteArray& bytes_;
    const QString& path_;
    qsizetype pos_ = 0;
    QStringDecoder decoder_{"windows-1252"};
};

// The signature is a short string that must be "Grocelle" exactly. An empty file or one cut inside the
// signature is not a V1 file at all.
bool hasSignature(const QByteArray& head) {
    return !head.isEmpty() && static_cast<unsigned char>(head[0]) == kSignature.size() &&
           head.mid(1, kSignature.size()) == kSignature;
}

} // namespace

QString V1Reader::openFailedMessage(const QString& path) {
    return QStringLiteral("Unable to open ") + path;
}

QString V1Reader::wrongSignatureMessage(const QString& path) {
    return path + QStringLiteral(" does not appear to be a valid ") + QStringLiteral("Grocelle V1 file.");
}

QString V1Reader::incompleteMessage(const QString& path) {
    return path + QStringLiteral(" is not a complete Grocelle V1 file.");
}

V1File V1Reader::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw V1FileError(openFailedMessage(path));
    // A large file of another kind is refused on its first bytes rather than read into memory whole.
    if (!hasSignature(file.peek(1 + kSignature.size())))
        throw V1FileError(wrongSignatureMessage(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw V1FileError(openFailedMessage(path));
    return readBytes(bytes, path);
}

V1File V1Reader::readBytes(const QByteArray& bytes, const QString& path) {
    Cursor in(bytes, path);
    if (!hasSignature(bytes))
        throw V1FileError(wrongSignatureMessage(path));
    in.skip(1 + kSignature.size());
    in.skip(4); // reserved

    V1File f;
    for (int n = in.count(); n > 0; --n)
        f.categories << in.shortString();
    for (int n = in.count(); n > 0; --n) {
        V1Product p;
        p.name = in.shortString();
        p.unit = in.shortString();
        p.category = in.number<std::int16_t>();
        f.products << p;
    }
    for (int n = in.count(); n > 0; --n) {
        V1Item item;
        item.product = in.number<std::int16_t>();
        item.brand = in.shortString();
        item.size = in.number<float>();
        item.price = in.number<float>();
        item.shop = in.number<std::int16_t>();
        in.skip(2);
        f.items << item;
    }
    for (int n = in.count(); n > 0; --n) {
        V1Shop shop;
        shop.name = in.shortString();
        for (int a = in.count(); a > 0; --a) {
            V1Aisle aisle;
            aisle.left = in.number<std::int32_t>();
            aisle.top = in.number<std::int32_t>();
            aisle.right = in.number<std::int32_t>();
            aisle.bottom = in.number<std::int32_t>();
            aisle.category = in.number<std::int16_t>();
            shop.aisles << aisle;
        }
        for (int l = in.count(); l > 0; --l)
            in.skip(16);
        f.shops << shop;
    }
    return f;
}
