#pragma once

#include "V1File.h"

#include <QString>

// Databases for the kill harness, rich enough that every command writes many rows across several tables.
namespace soak {

// Twelve categories, 68 product types (eight without items), eight shops, some 600 items (a third of them
// on the shopping list, a few deleted so the id counters run ahead) and a placed aisle for most category and
// shop pairs, and the empty price log. `variant` changes names, prices and quantities, so two variants differ
// in every table of the five.
void fillDatabase(const QString& folder, int variant = 0);

// Rows whose parent is gone: product types of a missing category, items of a missing shop or product type,
// aisles of a missing category or shop.
void addOrphans(const QString& folder);

// Sets every table back to version 2.0, as an older program left it.
void makeOlderVersion(const QString& folder);

// A version-1 data file's contents of the same richness.
V1File v1Contents();

} // namespace soak
