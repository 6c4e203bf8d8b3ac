#pragma once

#include "TableDefinition.h"

#include <QList>
#include <QString>

// The five tables of a Grocelle database.
namespace schema {

constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 1;

struct NamedTable {
    QString name; // also the data file's name without ".dat"
    engine::TableDefinition definition;
};

// In creation order: Categories, Products, Items, Shops, Aisles; locale 0, version 2.1.
const QList<NamedTable>& tables();
QStringList tableNames();

// The price log kept beside the five tables: one row for every price entered or set, with the item, its shop,
// the price, the size at that time and the local date and time. Databases made before it have none; it is
// created empty on first use (PriceLog::ensure).
const NamedTable& priceLog();
// The five tables and the price log: the table files the data tools handle.
QStringList allTableNames();

} // namespace schema

// Creates the five empty tables in the folder. The first failure stops it and reaches the caller.
void CreateDatabaseTables(const QString& folder);
