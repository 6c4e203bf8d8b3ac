#pragma once

#include <QString>

#include <optional>

namespace engine {
class DataSet;
class Table;
} // namespace engine

namespace catalogue {

// What the Items page writes into an Items row, as typed (size and price as text).
struct ItemFields {
    int productId = -1;
    QString brand;
    QString size;  // a whole number, or blank for none
    QString price; // a number; blank stands for 0
    std::optional<int> shopId;
};

// Writes items through an Items table object (the main window's, whose hooks round the price and report a
// duplicate). A size or price the field refuses cancels the pending row, so nothing half-made is stored.
class ItemWriter {
public:
    explicit ItemWriter(engine::Table& items) : items_(items) {}

    // The refusal of the size, price or brand as the Items fields would give it; nothing when they are fine.
    // Writes nothing.
    std::optional<QString> inputProblem(const ItemFields& fields);

    // Appends an item and returns its ItemID. Raises the table layer's error (or SilentAbort when the
    // table's post-error hook handled it); the pending row is then cancelled.
    int add(const ItemFields& fields);
    // Rewrites the item; false when it no longer exists.
    bool change(int itemId, const ItemFields& fields);

    // The before-post rule of every Items row: the price rounded to cents (empty counts as 0).
    static void roundPrice(engine::DataSet& items);
    // The warning for a pending Items row whose product type, brand, size and shop exist already.
    static QString duplicateMessage(engine::DataSet& items);

private:
    void setFields(const ItemFields& fields);

    engine::Table& items_;
};

} // namespace catalogue
