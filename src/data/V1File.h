#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>

class QIODevice;

// The contents of a data file of the program's first major version, read completely into memory before
// anything is written. Indexes are 0-based positions in their own list; -1 means none.
struct V1Aisle {
    std::int32_t left = -1;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int16_t category = -1;
};

struct V1Product {
    QString name;
    QString unit;
    std::int16_t category = -1;
};

struct V1Item {
    std::int16_t product = -1;
    QString brand;
    float size = 0;
    float price = 0;
    std::int16_t shop = -1;
};

struct V1Shop {
    QString name;
    QList<V1Aisle> aisles; // the shop's line records are read past, not kept
};

struct V1File {
    QStringList categories;
    QList<V1Product> products;
    QList<V1Item> items;
    QList<V1Shop> shops;
};

// A file that cannot be imported; message() is the text shown to the user.
class V1FileError : public std::runtime_error {
public:
    explicit V1FileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Reads the little-endian record stream: a length-prefixed "Grocelle" signature, 4 reserved bytes, then the
// categories, product types, items and shops with their aisles and lines, each list after an int16 count (a
// count of 0 or below means none). Names are single-byte Windows-1252 text.
class V1Reader {
public:
    // Throws V1FileError with "Unable to open <path>", "<path> does not appear to be a valid Grocelle V1
    // file." or "<path> is not a complete Grocelle V1 file." (the file ends before its announced records).
    static V1File readFile(const QString& path);
    // The same for bytes already in memory; `path` only names the file in messages.
    static V1File readBytes(const QByteArray& bytes, const QString& path);

    static QString openFailedMessage(const QString& path);
    static QString wrongSignatureMessage(const QString& path);
    static QString incompleteMessage(const QString& path);
};
