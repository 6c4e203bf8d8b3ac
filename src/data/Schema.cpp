#include "Schema.h"

#include "Database.h"

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;
using engine::TableDefinition;

namespace schema {

namespace {

TableDefinition makeTable(const QString& description, QList<FieldDef> fields, QList<IndexDef> indexes) {
    TableDefinition d;
    d.description = description;
    d.versionMajor = kVersionMajor;
    d.versionMinor = kVersionMinor;
    d.locale = 0;
    d.fields = std::move(fields);
    d.indexes = std::move(indexes);
    return d;
}

FieldDef autoInc(const QString& name) {
    return {name, FieldType::AutoInc, 0, true};
}
FieldDef text(const QString& name, int size, bool required = false) {
    return {name, FieldType::String, size, required};
}
FieldDef integer(const QString& name, bool required = false) {
    return {name, FieldType::Integer, 0, required};
}
FieldDef real(const QString& name) {
    return {name, FieldType::Float, 0, false};
}

IndexDef primary(const QString& fields) {
    return {QStringLiteral("Primary"), fields, true, true, false};
}

} // namespace

const QList<NamedTable>& tables() {
    static const QList<NamedTable> all = {
        {QStringLiteral("Categories"),
         makeTable(QStringLiteral("Grocelle Categories"),
                   {autoInc(QStringLiteral("CatID")), text(QStringLiteral("CatName"), 50, true)},
                   {primary(QStringLiteral("CatID")),
                    {QStringLiteral("IdxName"), QStringLiteral("CatName"), false, true, true}})},
        {QStringLiteral("Products"),
         makeTable(QStringLiteral("Grocelle Products"),
                   {autoInc(QStringLiteral("ProdID")), text(QStringLiteral("ProdName"), 50, true),
                    text(QStringLiteral("UnitOfMeasure"), 10), integer(QStringLiteral("Category"))},
                   {primary(QStringLiteral("ProdID")),
                    {QStringLiteral("IdxName"), QStringLiteral("ProdName"), false, true, true}})},
        {QStringLiteral("Items"),
         makeTable(QStringLiteral("Grocelle Items"),
                   {autoInc(QStringLiteral("ItemID")), integer(QStringLiteral("Product"), true),
                    text(QStringLiteral("Brand"), 50), integer(QStringLiteral("Size")),
                    real(QStringLiteral("Price")), integer(QStringLiteral("Shop"), true),
                    integer(QStringLiteral("Quantity")), integer(QStringLiteral("UndoQty"))},
                   {primary(QStringLiteral("ItemID")),
                    {QStringLiteral("IdxItem"), QStringLiteral("Product;Brand;Size;Shop"), false, true, true},
                    {QStringLiteral("IdxBrand"), QStringLiteral("Brand;Product;Shop"), false, false, true},
                    {QStringLiteral("IdxShop"), QStringLiteral("Shop;Product;Brand"), false, false, true}})},
        {QStringLiteral("Shops"),
         makeTable(QStringLiteral("Grocelle Shops"),
                   {autoInc(QStringLiteral("ShopID")), text(QStringLiteral("ShopName"), 50, true),
                    text(QStringLiteral("Address"), 100), text(QStringLiteral("Phone"), 20)},
                   {primary(QStringLiteral("ShopID")),
                    {QStringLiteral("IdxName"), QStringLiteral("ShopName"), false, true, true}})},
        {QStringLiteral("Aisles"),
         makeTable(QStringLiteral("Grocelle Aisles"),
                   {integer(QStringLiteral("Category"), true), integer(QStringLiteral("Shop"), true),
                    real(QStringLiteral("Sequence")), integer(QStringLiteral("RectLeft")),
                    integer(QStringLiteral("RectTop")), integer(QStringLiteral("RectRight")),
                    integer(QStringLiteral("RectBottom"))},
                   {primary(QStringLiteral("Shop;Category")),
                    {QStringLiteral("IdxCat"), QStringLiteral("Category;Shop"), false, false, false},
                    {QStringLiteral("IdxSeq"), QStringLiteral("Shop;Sequence"), false, false, false}})},
    };
    return all;
}

QStringList tableNames() {
    QStringList names;
    for (const NamedTable& t : tables())
        names << t.name;
    return names;
}

const NamedTable& priceLog() {
    // Rows are found per item in date order through IdxItem; the ISO 8601 text of the date sorts as dates do.
    static const NamedTable log{
        QStringLiteral("PriceLog"),
        makeTable(QStringLiteral("Grocelle Price log"),
                  {autoInc(QStringLiteral("LogID")), integer(QStringLiteral("Item"), true),
                   integer(QStringLiteral("Shop"), true), real(QStringLiteral("Price")),
                   integer(QStringLiteral("Size")), text(QStringLiteral("PriceDate"), 19, true)},
                  {primary(QStringLiteral("LogID")),
                   {QStringLiteral("IdxItem"), QStringLiteral("Item;PriceDate"), false, false, false}})};
    return log;
}

QStringList allTableNames() {
    return tableNames() << priceLog().name;
}

} // namespace schema

void CreateDatabaseTables(const QString& folder) {
    engine::Database db(folder);
    for (const schema::NamedTable& t : schema::tables())
        db.createTable(t.name, t.definition);
}
