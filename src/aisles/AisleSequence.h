#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace engine {
class Database;
}

// The walking-order values given to aisles dropped into a shop's aisle list, in 32-bit floating point
// as they have always been stored: n values evenly spaced strictly between the neighbours of the drop
// point, or 10 apart after the last aisle.
struct SequenceSpacing {
    float prev = 0;
    float step = 10;

    // After the last aisle (prev = its Sequence, 0 without aisles).
    static SequenceSpacing append(float last);
    // Between prev and next (prev = 0 before the first aisle) for n entries.
    static SequenceSpacing between(float prev, float next, int n);

    std::vector<float> values(int n) const;
    // True when the n values rise strictly and stay strictly inside (prev, next).
    bool distinct(int n, std::optional<float> next) const;
};

// Where entries are dropped in the aisle list.
struct SequenceDropPoint {
    enum class Kind { Append, First, After };
    Kind kind = Kind::Append;
    int afterCategory = -1; // for After: the category of the entry above the drop point

    static SequenceDropPoint append() { return {Kind::Append, -1}; }
    static SequenceDropPoint first() { return {Kind::First, -1}; }
    static SequenceDropPoint after(int category) { return {Kind::After, category}; }
};

// The data side of the aisle sequence editor: what the shop selector and the two lists show, and the drops
// that add, reorder and delete aisles. Every drop is written at once, as one transaction.
class AisleSequence {
public:
    struct Entry {
        int id = -1;
        QString name;
        bool onFloorPlan = false;
    };
    struct Aisle {
        int category = -1;
        float sequence = 0;
    };

    explicit AisleSequence(engine::Database& db) : db_(db) {}

    // Shops by name.
    std::vector<Entry> shops() const;
    // The shop's aisles in walking order, with their category names.
    std::vector<Entry> aisleEntries(int shop) const;
    // Categories by name that have no aisle in the shop; with a search typed, those the search finds.
    std::vector<Entry> availableCategories(int shop, const QString& search = {}) const;
    // The shop's aisle rows in the order of IdxSeq.
    std::vector<Aisle> aisles(int shop) const;

    // Drops categories (fromAvailable: new aisles, unplaced) or existing aisles at the drop point. When the
    // gap cannot take distinct values any more, the shop is renumbered 100, 110, 120 ... first, keeping its
    // order. Returns the categories handled, in order.
    std::vector<int> drop(int shop, SequenceDropPoint at, const std::vector<int>& categories,
                          bool fromAvailable);
    // Moves the aisles of the categories one place up the walking order (dropped before the aisle above the
    // first of them) or down (dropped after the aisle below the last of them), gathered in their present
    // order as a drop gathers them. Returns the categories moved; none when they already stand together at
    // that end of the order.
    std::vector<int> move(int shop, const std::vector<int>& categories, bool up);
    // Deletes the shop's aisles of the categories; missing rows are skipped.
    void remove(int shop, const std::vector<int>& categories);
    // Sequence 100, 110, 120 ... in the present walking order.
    void renumber(int shop);

private:
    SequenceSpacing spacing(int shop, SequenceDropPoint at, int n, std::optional<float>& next) const;

    engine::Database& db_;
};
