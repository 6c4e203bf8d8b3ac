#pragma once

#include "Database.h"
#include "KeyList.h"
#include "Value.h"

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <future>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The catalogue's items with what their lists show and sort by, held compactly in memory, so that a list of
// items (the shopping list, the Items page) finds its rows and their order without a join and a sort over
// the tables each time. It follows every row changed through the database's connection, reads a table again
// when another connection changed it, and starts afresh when the connection opens anew.
//
// A list's rows are its items joined to their product type, the product type's category and their shop: an
// item whose product type, category or shop does not exist is in no list, as in the lists' statements.
class ItemIndex : public engine::RowWatcher {
public:
    enum class Order { Category, Product, Brand, Size, UnitOfMeasure, Price, Shop, Quantity };

    struct Selection {
        std::optional<QList<int>> shops; // the shops whose items are shown; every shop when not given
        bool listedOnly = false;         // only items with a quantity
        Order order = Order::Category;   // Category, Brand and Shop order by product type name second
        QString search;                  // typed words, looked for in the columns the search boxes look in
        QList<std::int64_t> kept;        // rows shown whatever the search
    };
    struct Counts {
        int rows = 0;   // rows of the selection, the search left out
        int listed = 0; // of them, the rows with a quantity of 1 or more
    };
    using RowVisitor =
        std::function<void(std::int64_t item, const engine::Value& quantity, const engine::Value& price)>;

    explicit ItemIndex(engine::Database& db);
    ~ItemIndex() override;
    ItemIndex(const ItemIndex&) = delete;
    ItemIndex& operator=(const ItemIndex&) = delete;

    // The ItemIDs of the selection in its order, rows that sort alike in ItemID order; the visitor sees the
    // quantity and price of each row with a quantity, in that order. False, with nothing chosen, when the
    // tables hold what the index cannot order as the tables would (text in a number column): the caller reads
    // its statement then. A table that cannot be read throws, as the statement would.
    bool select(const Selection& selection, engine::KeyList& keys, const RowVisitor& visit = {},
                Counts* counts = nullptr);

    // The ItemID of every Items row in ItemID order: the row ids of a table object open on Items in its
    // primary order. False, with none given, when the index declines, as for select.
    bool allItemIds(engine::KeyList& ids);

    // Starts reading the items on a thread of their own, so that the first list opened finds them read or
    // partly read. A table that cannot be read that way is read, or reported, by the first list.
    void prepare();
    // The same, before the database is opened and its files are checked, so that the read goes on beside the
    // check. prepare() keeps what it reads only when the file is still the one it began on.
    void readAhead();

    void rowChanged(const char* table, std::int64_t rowid) override;
    void everythingChanged() override;

private:
    // Row ids of a small table to their places in its vector: a direct look-up table while the ids are dense.
    class Slots {
    public:
        void clear();
        void set(std::int64_t id, int slot);
        int find(std::int64_t id) const {
            if (id >= 0 && id < static_cast<std::int64_t>(dense_.size()))
                return dense_[static_cast<size_t>(id)];
            const auto it = sparse_.find(id);
            return it == sparse_.end() ? -1 : it->second;
        }

    private:
        std::vector<std::int32_t> dense_;
        std::unordered_map<std::int64_t, std::int32_t> sparse_;
    };
    struct Named {
        std::int64_t id = 0;
        std::string name;
        int rank = 0; // place in the name order; names that compare equal share it
    };
    struct Product {
        std::int64_t id = 0;
        std::string name;
        std::string unit;
        bool hasUnit = false;
        std::int64_t category = 0;
        int categorySlot = -1; // -1 when the category does not exist
        int rank = 0;
        int unitRank = 0;
    };
    enum ItemFlag : std::uint8_t {
        Deleted = 1,
        HasSize = 2,
        HasPrice = 4,
        HasQuantity = 8,
    };
    // 32 bytes: a fraction in a whole-number column, or an ItemID, product type, shop, size, quantity or
    // brand number past what these fields hold, leaves the index unusable, and the lists read their
    // statements.
    struct Item {
        double price = 0;
        std::int32_t id = 0;
        std::int32_t product = 0;
        std::int32_t shop = 0;
        std::int32_t size = 0;
        std::int32_t quantity = 0;
        std::int32_t brand : 24 = -1; // -1 for none
        std::uint32_t flags : 8 = 0;
    };
    static constexpr std::int32_t kMostBrands = (1 << 23) - 1;
    static constexpr std::int32_t kNotShown =
        std::numeric_limits<std::int32_t>::min(); // never an ItemID here
    enum Table { Items, Products, Categories, Shops, TableCount };

    void bringUpToDate();
    // Brought up to date; false when the tables hold what the index cannot order or hold.
    bool usableNow();
    // A table of names (categories, shops) and their places in its vector.
    void loadNames(Table table, const char* idField, const char* nameField, std::vector<Named>& rows,
                   Slots& places);
    void loadProducts();
    void loadItems();
    // Reads these rows again; the slots of the rows that changed in place or came at the end are added to
    // changed, and false returned when rows moved to other slots.
    bool rereadItems(std::vector<std::int64_t> ids, std::vector<std::uint32_t>& changed);
    struct TextHash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    // Each brand's text once; items refer to it by number.
    struct Brands {
        std::vector<std::string> names;
        std::unordered_map<std::string, std::int32_t, TextHash, std::equal_to<>> ids;
        bool added = false; // since they were last ranked
        int of(const char* text, int length);
    };
    // Reads an Items row of the statement's current step into item; false when the row holds what cannot
    // be ordered as the table would, or a number past what an Item holds.
    static bool readItem(void* statement, Item& item, Brands& brands);
    struct ItemsRead {
        std::vector<Item> items;
        Brands brands;
        bool usable = true;
        bool complete = false;
    };
    // Every Items row of the table file, through connections of its own on up to that many threads: safe on
    // another thread.
    static ItemsRead readItemsFile(const QString& path, int threads);
    // The rows whose ItemID is above after and at most last, in a vector with room for that many rows (0:
    // as many as there are).
    static ItemsRead readItemsRange(const QString& path, std::int64_t after, std::int64_t last, size_t room);
    void rankBrands();
    std::int64_t dataVersion(Table table);

    // Every item in an order, kept from one selection to the next and brought up to date row by row.
    static constexpr int kOrderCount = 8;
    // A name's place (below 2^32) and the product type's place; or a number's key and 0.
    struct Key {
        std::uint64_t first = 0;
        std::uint32_t second = 0;
    };
    Key keyOf(const Item& item, Order order) const;
    const std::vector<std::uint32_t>& ordered(Order order);
    // Every live item's slot into sequence, in the order's key order, alike keys in slot order.
    void sortItems(Order order, std::vector<std::uint32_t>& sequence) const;
    struct PlacedItem {
        std::uint32_t slot;
        Item item; // as it was before it was read again
    };
    // Puts the rows of these slots where they now belong in each kept order.
    void placeAgain(const std::vector<std::uint32_t>& changed, std::vector<PlacedItem> before);
    void forgetOrders(std::initializer_list<Order> orders);
    void forgetAllOrders();

    engine::Database& db_;
    bool loaded_ = false;
    bool usable_ = true;
    bool reload_[TableCount] = {};
    std::int64_t versions_[TableCount] = {};
    std::vector<std::int64_t> changedItems_;
    std::future<ItemsRead> reading_;
    bool readingStale_ = false; // what is being read can no longer be brought up to date row by row
    // The Items file as a read ahead found it: its device, inode, size, modification time and the change
    // counter every commit raises. Empty when no read ahead waits for prepare().
    std::optional<std::array<std::int64_t, 5>> readAheadFile_;

    std::vector<Named> categories_;
    Slots categorySlots_;
    std::vector<Named> shops_;
    Slots shopSlots_;
    std::vector<Product> products_;
    Slots productSlots_;
    Brands brands_;
    std::vector<std::int32_t> brandRanks_;
    std::vector<Item> items_; // in ItemID order
    size_t deletedItems_ = 0;
    std::vector<std::uint32_t> orders_[kOrderCount];
    bool ordered_[kOrderCount] = {};
};
