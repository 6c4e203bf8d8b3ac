#pragma once

#include <QString>

namespace engine {
class Database;
}

namespace catalogue {

struct CopyShopOptions {
    bool items = true;
    bool aisles = true;
    bool floorPlan = true; // only with aisles: the rectangles of the floor plan too
};

// Creates a new shop from an existing one: its items (product type, brand, size and price; no quantities),
// each with a price log row dated now, and, optionally, its aisle sequence with or without the floor plan
// rectangles.
class ShopCopier {
public:
    explicit ShopCopier(engine::Database& db) : db_(db) {}

    // True when the trimmed name is not blank, fits the field and no shop has it in any letter case.
    bool nameAvailable(const QString& name);

    // Returns the new shop's id. Runs as one transaction: on an error (raised to the caller) nothing of the
    // copy is left.
    int copy(int sourceShopId, const QString& newName, const CopyShopOptions& options);

private:
    engine::Database& db_;
};

} // namespace catalogue
