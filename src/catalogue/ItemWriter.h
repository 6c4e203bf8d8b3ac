#pragma once

#include "PriceLog.h"

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
    // The user typed the price: logged even when unchanged, as a confirmation. Otherwise a change logs the
    // price only when it differs from the stored one.
    bool priceEntered = true;
};

// Writes items through an Items table object (the main window's, whose hooks round the price and report a
// duplicate). A size or price the field refuses cancels the pending row, so nothing half-made is stored. The
// price log's row is written in the same transaction as the item.
class ItemWriter {
public:
    explicit ItemWriter(engine::Table& items);

    // The refusal of the size, price or brand as the Items fields would give it; nothing when they are fine.
    // Writes nothing.
    std::optional<QString> inputProblem(const ItemFields& fields);

    // Appends an item and returns its ItemID. Raises the table layer's error (or SilentAbort when the
    // table's post-error hook handled it); the pending row is then cancelled.
    int add(const ItemFields& fields);
    // Rewrites the item; false when it no longer exists.
    bool change(int itemId, const ItemFields& fields);
    // Deletes the item with its price log; false when it no longer exists.
    bool remove(int itemId);

    // The before-post rule of every Items row: the price rounded to cents (empty counts as 0).
    static void roundPrice(engine::DataSet& items);
    // The warning for a pending Items row whose product type, brand, size and shop exist already.
    static QString duplicateMessage(engine::DataSet& items);

private:
    void setFields(const ItemFields& fields);
    // Logs the current row's price.
    void logPrice();

    engine::Table& items_;
    PriceLog log_;
};

} // namespace catalogue
