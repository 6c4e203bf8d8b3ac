#include "V1Importer.h"

#include "Database.h"
#include "Helpers.h"
#include "Table.h"

#include <cmath>
#include <limits>

namespace {

// Names longer than their field are cut to its size; blanks around the name are dropped before and after.
QString fitted(const QString& text, const engine::Table& table, const QString& field) {
    for (const engine::FieldDef& f : table.definition().fields)
        if (f.name == field && f.size > 0)
            return text.trimmed().left(f.size).trimmed();
    return text.trimmed();
}

// Sizes are whole numbers, rounded half to even. A size that is not a number or does not fit stays empty.
engine::Value sizeValue(float size) {
    if (!std::isfinite(size))
        return {};
    const double rounded = std::nearbyint(static_cast<double>(size));
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return {};
    return engine::Value{static_cast<std::int64_t>(rounded)};
}

// The row id an index of the file refers to: x + 1 for every index, so that -1 (none) becomes 0 and records
// that differ only in an odd negative index stay apart. A reference that names no row is left for check and
// repair.
qint64 reference(std::int16_t index) {
    return qint64(index) + 1;
}

engine::Value priceValue(float price) {
    if (!std::isfinite(price))
        return {};
    return engine::Value{static_cast<double>(RoundPrice(price))};
}

} // namespace

V1Importer::V1Importer(engine::Database& db) : db_(db) {}

QString V1Importer::warningText() {
    return QStringLiteral("Importing an old V1 data file will delete ALL the current Grocelle data.");
}

QString V1Importer::successMessage(const V1ImportCounts& c) {
    const QString nl = QStringLiteral("\r\n   ");
    return QStringLiteral("Successfully imported - ") + nl + QString::number(c.shops) +
           QStringLiteral(" shops") + nl + QString::number(c.categories) + QStringLiteral(" categories") +
           nl + QString::number(c.products) + QStringLiteral(" product types") + nl +
           QString::number(c.items) + QStringLiteral(" items");
}

V1ImportCounts V1Importer::importFile(const QString& path) {
    return import(V1Reader::readFile(path));
}

V1ImportCounts V1Importer::import(const V1File& file) {
    engine::Transaction transaction(db_);
    for (const char* table : {"Items", "Categories", "Products", "Shops", "Aisles"})
        db_.emptyTable(QString::fromLatin1(table));

    engine::Table shops(&db_, QStringLiteral("Shops"));
    engine::Table aisles(&db_, QStringLiteral("Aisles"));
    shops.open();
    aisles.open();
    for (const V1Shop& shop : file.shops) {
        shops.append();
        shops.field(QStringLiteral("ShopName"))
            .setString(fitted(shop.name, shops, QStringLiteral("ShopName")));
        shops.post();
        const qint64 shopId = shops.field(QStringLiteral("ShopID")).asInteger();
        int sequence = 100;
        for (const V1Aisle& a : shop.aisles) {
            if (a.category < 0)
                continue;
            // The rectangle as written: RectLeft -1 marks an unplaced aisle, and an inverted rectangle is
            // drawn and printed with its edges put in order.
            aisles.append();
            aisles.field(QStringLiteral("Shop")).setInteger(shopId);
            aisles.field(QStringLiteral("Category")).setInteger(reference(a.category));
            aisles.field(QStringLiteral("Sequence")).setFloat(sequence);
            aisles.field(QStringLiteral("RectLeft")).setInteger(a.left);
            aisles.field(QStringLiteral("RectTop")).setInteger(a.top);
            aisles.field(QStringLiteral("RectRight")).setInteger(a.right);
            aisles.field(QStringLiteral("RectBottom")).setInteger(a.bottom);
            aisles.post();
            sequence += 10;
        }
    }

    engine::Table categories(&db_, QStringLiteral("Categories"));
    categories.open();
    for (const QString& name : file.categories) {
        categories.append();
        categories.field(QStringLiteral("CatName"))
            .setString(fitted(name, categories, QStringLiteral("CatName")));
        categories.post();
    }

    engine::Table products(&db_, QStringLiteral("Products"));
    products.open();
    for (const V1Product& p : file.products) {
        products.append();
        products.field(QStringLiteral("ProdName"))
            .setString(fitted(p.name, products, QStringLiteral("ProdName")));
        products.field(QStringLiteral("UnitOfMeasure"))
            .setString(fitted(p.unit, products, QStringLiteral("UnitOfMeasure")));
        products.field(QStringLiteral("Category")).setInteger(reference(p.category));
        products.post();
    }

    engine::Table items(&db_, QStringLiteral("Items"));
    items.open();
    for (const V1Item& item : file.items) {
        items.append();
        items.field(QStringLiteral("Product")).setInteger(reference(item.product));
        items.field(QStringLiteral("Brand")).setString(fitted(item.brand, items, QStringLiteral("Brand")));
        items.field(QStringLiteral("Size")).setValue(sizeValue(item.size));
        items.field(QStringLiteral("Price")).setValue(priceValue(item.price));
        items.field(QStringLiteral("Shop")).setInteger(reference(item.shop));
        items.post();
    }

    transaction.commit();
    return {static_cast<int>(file.shops.size()), static_cast<int>(file.categories.size()),
            static_cast<int>(file.products.size()), static_cast<int>(file.items.size())};
}
