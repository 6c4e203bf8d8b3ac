#pragma once

#include "V1File.h"

#include <QByteArray>
#include <QFile>
#include <QStringEncoder>

#include <cstdint>
#include <cstring>

// Writes version-1 data files for tests: field by field, so that a test can write anything a damaged or odd
// file may hold, or a whole V1File in the layout the reader expects.
class V1FileWriter {
public:
    V1FileWriter& bytes(const QByteArray& raw) {
        out_ += raw;
        return *this;
    }
    // One length byte, then the bytes; longer text is cut at 255 bytes, as a length byte can say no more.
    V1FileWriter& shortBytes(const QByteArray& raw) {
        const QByteArray cut = raw.left(255);
        out_ += char(static_cast<unsigned char>(cut.size()));
        out_ += cut;
        return *this;
    }
    V1FileWriter& shortString(const QString& text) {
        QStringEncoder ansi("windows-1252");
        return shortBytes(ansi.encode(text));
    }
    V1FileWriter& int16(int v) { return little(static_cast<std::uint16_t>(v), 2); }
    V1FileWriter& int32(std::int32_t v) { return little(static_cast<std::uint32_t>(v), 4); }
    V1FileWriter& float32(float v) {
        std::uint32_t raw;
        std::memcpy(&raw, &v, sizeof raw);
        return little(raw, 4);
    }

    // The signature and the reserved bytes that open every file.
    V1FileWriter& header() { return shortBytes("Grocelle").bytes(QByteArray(4, '\x5a')); }

    // A whole file; each shop gets `linesPerShop` line records, which the reader must step over.
    V1FileWriter& file(const V1File& f, int linesPerShop = 1) {
        header();
        int16(int(f.categories.size()));
        for (const QString& c : f.categories)
            shortString(c);
        int16(int(f.products.size()));
        for (const V1Product& p : f.products)
            shortString(p.name).shortString(p.unit).int16(p.category);
        int16(int(f.items.size()));
        for (const V1Item& i : f.items)
            int16(i.product).shortString(i.brand).float32(i.size).float32(i.price).int16(i.shop).bytes(
                "\xee\xee");
        int16(int(f.shops.size()));
        for (const V1Shop& s : f.shops) {
            shortString(s.name).int16(int(s.aisles.size()));
            for (const V1Aisle& a : s.aisles)
                int32(a.left).int32(a.top).int32(a.right).int32(a.bottom).int16(a.category);
            int16(linesPerShop);
            for (int l = 0; l < linesPerShop; ++l)
                int32(l).int32(-1).int32(0x7fffffff).int32(7);
        }
        return *this;
    }

    const QByteArray& data() const { return out_; }

    bool save(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(out_) == out_.size();
    }

private:
    V1FileWriter& little(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out_ += char((v >> (8 * i)) & 0xff);
        return *this;
    }

    QByteArray out_;
};
