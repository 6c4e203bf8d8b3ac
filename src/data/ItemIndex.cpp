#include "ItemIndex.h"

#include "Collation.h"
#include "EngineError.h"
#include "Statement.h"
#include "TextSearch.h"

#include <QFile>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <unordered_set>

namespace {

constexpr const char* kTableNames[] = {"Items", "Products", "Categories", "Shops"};
constexpr int kIdsPerRead = 64;

std::string columnText(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(s, column))) : std::string();
}

// Places in the collation order of the table's language of n names; equal names share a place.
template <typename NameAt> std::vector<int> placesInOrder(size_t n, NameAt nameAt, int localeId) {
    const engine::Collator compare = engine::collation::collator(localeId, false);
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    const auto cmp = [&](int a, int b) {
        const std::string& x = nameAt(static_cast<size_t>(a));
        const std::string& y = nameAt(static_cast<size_t>(b));
        return compare(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()));
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return cmp(a, b) < 0; });
    std::vector<int> places(n, 0);
    int place = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && cmp(order[i - 1], order[i]) != 0)
            ++place;
        places[static_cast<size_t>(order[i])] = place;
    }
    return places;
}

template <typename Name>
void rankNames(std::vector<Name>& rows, std::string Name::*name, int Name::*rank, int localeId) {
    const std::vector<int> places = placesInOrder(
        rows.size(), [&](size_t i) -> const std::string& { return rows[i].*name; }, localeId);
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].*rank = places[i];
}

// Room for a few more rows than n: a kept order or the items take new items in place, and one that had to
// grow by doubling would be copied whole each time and could hold twice what it needs.
// What tells one state of a table file from another: its device, inode, size, modification time, and the
// change counter in its header that every commit raises.
std::optional<std::array<std::int64_t, 5>> fileState(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    unsigned char counter[4] = {};
    const bool read = ::fstat(fd, &st) == 0 && ::pread(fd, counter, sizeof counter, 24) == sizeof counter;
    ::close(fd);
    if (!read)
        return std::nullopt;
    return std::array<std::int64_t, 5>{
        static_cast<std::int64_t>(st.st_dev), static_cast<std::int64_t>(st.st_ino),
        static_cast<std::int64_t>(st.st_size),
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
        (std::int64_t{counter[0]} << 24) | (counter[1] << 16) | (counter[2] << 8) | counter[3]};
}

size_t withRoom(size_t n) {
    return n + n / 256 + 64;
}

// A number as a key that sorts as the number does; 0, below every number, for none.
std::uint64_t numberKey(bool present, double value) {
    if (!present)
        return 0;
    const auto bits = std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value);
    return (bits & (std::uint64_t{1} << 63)) ? ~bits : bits | (std::uint64_t{1} << 63);
}

engine::Value numberValue(bool present, bool real, double value) {
    if (!present)
        return {};
    if (real)
        return value;
    return static_cast<std::int64_t>(value);
}

// A selection frees, all at once, what it took for the shown rows, a sort and the search; the allocator keeps
// freed pages among those still in use resident until asked to hand them back (a millisecond or two).
void returnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// Whether a number's text starts with a typed word, worked out once for each value: sizes and prices repeat
// from item to item, and writing a number out costs more than looking it up.
class NumberHits {
public:
    bool matches(double value, bool real, const engine::TextSearch::Word& word) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        auto& known = real ? reals_ : wholes_;
        const auto [at, added] = known.try_emplace(bits, false);
        if (added)
            at->second = engine::TextSearch::matchesNumber(word, numberValue(true, real, value));
        return at->second;
    }

private:
    std::unordered_map<std::uint64_t, bool> wholes_;
    std::unordered_map<std::uint64_t, bool> reals_;
};

} // namespace

void ItemIndex::Slots::clear() {
    dense_.clear();
    sparse_.clear();
}

void ItemIndex::Slots::set(std::int64_t id, int slot) {
    // Ids count up from 1 as rows are added; a far-off id goes to the hash rather than growing the table.
    constexpr std::int64_t kDenseLimit = std::int64_t{1} << 24;
    if (id >= 0 && id < kDenseLimit) {
        if (id >= static_cast<std::int64_t>(dense_.size()))
            dense_.resize(static_cast<size_t>(id) + 1, -1);
        dense_[static_cast<size_t>(id)] = slot;
    } else {
        sparse_[id] = slot;
    }
}

ItemIndex::ItemIndex(engine::Database& db) : db_(db) {
    db_.addRowWatcher(this);
}

ItemIndex::~ItemIndex() {
    db_.removeRowWatcher(this);
}

void ItemIndex::rowChanged(const char* table, std::int64_t rowid) {
    // While the items are read on their thread, the rows changed meanwhile are read again once they are in.
    const bool reading = !loaded_ && reading_.valid();
    if (!loaded_ && !reading)
        return;
    if (std::strcmp(table, "Items") == 0) {
        if (reading ? readingStale_ : reload_[Items])
            return;
        changedItems_.push_back(rowid);
        // A row read again costs about four times what it costs in a read of the whole table, but that read
        // sorts every kept order again, each about as dear as the read itself.
        const size_t keptOrders = static_cast<size_t>(std::count(ordered_, ordered_ + kOrderCount, true));
        if (changedItems_.size() > std::min(items_.size(), items_.size() / 4 * (1 + keptOrders)) + 1024) {
            (reading ? readingStale_ : reload_[Items]) = true;
            changedItems_.clear();
        }
        return;
    }
    for (int t = Products; t < TableCount; ++t)
        if (std::strcmp(table, kTableNames[t]) == 0)
            reload_[t] = true;
}

void ItemIndex::everythingChanged() {
    loaded_ = false;
    // The database opening while the items are read ahead is no change: the file says then whether it was.
    readingStale_ = readingStale_ || !readAheadFile_;
    forgetAllOrders();
    changedItems_.clear();
    changedItems_.shrink_to_fit();
}

std::int64_t ItemIndex::dataVersion(Table table) {
    engine::Statement s(db_.connection(),
                        QStringLiteral("PRAGMA %1.data_version")
                            .arg(engine::quoteIdentifier(QLatin1String(kTableNames[table]))));
    return s.step() ? sqlite3_column_int64(s.handle(), 0) : 0;
}

void ItemIndex::loadNames(Table table, const char* idField, const char* nameField, std::vector<Named>& rows,
                          Slots& places) {
    const QString name = QLatin1String(kTableNames[table]);
    rows.clear();
    places.clear();
    engine::Statement s(db_.connection(), QStringLiteral("SELECT %1, %2 FROM %3.%3")
                                              .arg(QLatin1String(idField), QLatin1String(nameField),
                                                   engine::quoteIdentifier(name)));
    while (s.step()) {
        places.set(sqlite3_column_int64(s.handle(), 0), static_cast<int>(rows.size()));
        rows.push_back({sqlite3_column_int64(s.handle(), 0), columnText(s.handle(), 1), 0});
    }
    rankNames(rows, &Named::name, &Named::rank, db_.definition(name).locale);
}

void ItemIndex::loadProducts() {
    products_.clear();
    productSlots_.clear();
    engine::Statement s(
        db_.connection(),
        QStringLiteral("SELECT ProdID, ProdName, UnitOfMeasure, Category FROM \"Products\".\"Products\""));
    sqlite3_stmt* h = s.handle();
    while (s.step()) {
        Product p;
        p.id = sqlite3_column_int64(h, 0);
        p.name = columnText(h, 1);
        p.hasUnit = sqlite3_column_type(h, 2) != SQLITE_NULL;
        p.unit = columnText(h, 2);
        p.category = sqlite3_column_type(h, 3) == SQLITE_INTEGER ? sqlite3_column_int64(h, 3) : -1;
        productSlots_.set(sqlite3_column_int64(h, 0), static_cast<int>(products_.size()));
        products_.push_back(std::move(p));
    }
    const int locale = db_.definition(QStringLiteral("Products")).locale;
    rankNames(products_, &Product::name, &Product::rank, locale);
    rankNames(products_, &Product::unit, &Product::unitRank, locale);
}

int ItemIndex::Brands::of(const char* text, int length) {
    const std::string_view brand(text, static_cast<size_t>(length));
    const auto it = ids.find(brand);
    if (it != ids.end())
        return it->second;
    const auto id = static_cast<std::int32_t>(names.size());
    names.emplace_back(brand);
    ids.emplace(std::string(brand), id);
    added = true;
    return id;
}

void ItemIndex::rankBrands() {
    brandRanks_ = placesInOrder(
        brands_.names.size(), [this](size_t i) -> const std::string& { return brands_.names[i]; },
        db_.definition(QStringLiteral("Items")).locale);
    brands_.added = false;
}

bool ItemIndex::readItem(void* statement, Item& item, Brands& brands) {
    auto* h = static_cast<sqlite3_stmt*>(statement);
    item.flags = 0;
    // Product and shop are whole numbers the table requires; anything else could not be joined as SQL does.
    const std::int64_t id = sqlite3_column_int64(h, 0);
    item.id = static_cast<std::int32_t>(id);
    if (item.id != id)
        return false;
    for (int column : {1, 5}) {
        if (sqlite3_column_type(h, column) != SQLITE_INTEGER)
            return false;
        const std::int64_t id = sqlite3_column_int64(h, column);
        if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
            return false;
    }
    item.product = static_cast<std::int32_t>(sqlite3_column_int64(h, 1));
    item.shop = static_cast<std::int32_t>(sqlite3_column_int64(h, 5));
    switch (sqlite3_column_type(h, 2)) {
    case SQLITE_NULL:
        item.brand = -1;
        break;
    case SQLITE_TEXT: {
        const int brand =
            brands.of(reinterpret_cast<const char*>(sqlite3_column_text(h, 2)), sqlite3_column_bytes(h, 2));
        if (brand > kMostBrands)
            return false;
        item.brand = brand;
        break;
    }
    default:
        return false;
    }
    // Size and quantity are whole numbers in their columns; a fraction or a number past 32 bits is left to
    // the statements.
    const auto whole = [&](int column, std::int32_t& value, std::uint8_t present) {
        switch (sqlite3_column_type(h, column)) {
        case SQLITE_NULL:
            return true;
        case SQLITE_INTEGER: {
            const std::int64_t v = sqlite3_column_int64(h, column);
            value = static_cast<std::int32_t>(v);
            item.flags |= present;
            return value == v;
        }
        default:
            return false;
        }
    };
    const auto price = [&] {
        switch (sqlite3_column_type(h, 4)) {
        case SQLITE_NULL:
            return true;
        case SQLITE_INTEGER: {
            const std::int64_t v = sqlite3_column_int64(h, 4);
            item.price = static_cast<double>(v);
            item.flags |= HasPrice;
            return static_cast<std::int64_t>(item.price) == v; // exact as a double, or not ordered here
        }
        case SQLITE_FLOAT:
            item.price = sqlite3_column_double(h, 4);
            item.flags |= HasPrice;
            return item.price == item.price;
        default:
            return false;
        }
    };
    return whole(3, item.size, HasSize) && price() && whole(6, item.quantity, HasQuantity);
}

namespace {
const QString kItemColumns =
    QStringLiteral("SELECT ItemID, Product, Brand, Size, Price, Shop, Quantity FROM \"Items\".\"Items\"");
}

void ItemIndex::loadItems() {
    const size_t expected = withRoom(items_.size());
    items_.clear();
    items_.shrink_to_fit();
    items_.reserve(expected);
    brands_ = {};
    deletedItems_ = 0;
    changedItems_.clear();
    forgetAllOrders();
    engine::Statement s(db_.connection(), kItemColumns + QStringLiteral(" ORDER BY ItemID"));
    while (s.step()) {
        Item item;
        if (!readItem(s.handle(), item, brands_))
            usable_ = false;
        items_.push_back(item);
    }
    brands_.added = true;
}

ItemIndex::ItemsRead ItemIndex::readItemsFile(const QString& path, int threads) {
    // Given two threads, a large table is read in two halves of its ItemIDs, the upper one on a thread of its
    // own.
    constexpr std::int64_t kFirst = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kLast = std::numeric_limits<std::int64_t>::max();
    std::int64_t low = 0, high = 0, rows = 0;
    sqlite3* c = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(c, 2000);
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(c, "SELECT min(ItemID), max(ItemID), count(*) FROM Items", -1, &s, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            low = sqlite3_column_int64(s, 0);
            high = sqlite3_column_int64(s, 1);
            rows = sqlite3_column_int64(s, 2);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close_v2(c);
    const size_t room = withRoom(static_cast<size_t>(rows));
    constexpr std::int64_t kReadAlone = 100000;
    if (threads < 2 || high - low < kReadAlone)
        return readItemsRange(path, kFirst, kLast, room);
    // The lower half holds room for the whole table, so that the upper one joins it without a copy of both.
    const std::int64_t middle = low + (high - low) / 2;
    auto upper = std::async(std::launch::async, &ItemIndex::readItemsRange, path, middle, kLast, size_t{0});
    ItemsRead read = readItemsRange(path, kFirst, middle, room);
    ItemsRead more = upper.get();
    // The upper half's brands are numbered anew in the lower half's numbering.
    std::vector<std::int32_t> brandOf(more.brands.names.size());
    for (size_t b = 0; b < brandOf.size(); ++b)
        brandOf[b] =
            read.brands.of(more.brands.names[b].data(), static_cast<int>(more.brands.names[b].size()));
    read.items.reserve(withRoom(read.items.size() + more.items.size()));
    for (Item item : more.items) {
        if (item.brand >= 0) {
            const std::int32_t brand = brandOf[static_cast<size_t>(item.brand)];
            if (brand > kMostBrands)
                read.usable = false;
            else
                item.brand = brand;
        }
        read.items.push_back(item);
    }
    read.usable = read.usable && more.usable;
    read.complete = read.complete && more.complete;
    return read;
}

ItemIndex::ItemsRead ItemIndex::readItemsRange(const QString& path, std::int64_t after, std::int64_t last,
                                               size_t room) {
    ItemsRead read;
    sqlite3* c = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(c, 2000);
        // In runs of rows, each its own read: the program's writes never wait long for this one. A row
        // changed between runs is read again anyway, as every row changed while this reads.
        constexpr int kRowsPerRun = 20000;
        sqlite3_stmt* s = nullptr;
        if (room > 0)
            read.items.reserve(room);
        else if (sqlite3_prepare_v2(c, "SELECT count(*) FROM Items WHERE ItemID > ?1 AND ItemID <= ?2", -1,
                                    &s, nullptr) == SQLITE_OK) {
            sqlite3_bind_int64(s, 1, after);
            sqlite3_bind_int64(s, 2, last);
            if (sqlite3_step(s) == SQLITE_ROW)
                read.items.reserve(static_cast<size_t>(sqlite3_column_int64(s, 0)) + 64);
        }
        sqlite3_finalize(s);
        s = nullptr;
        if (sqlite3_prepare_v2(c,
                               "SELECT ItemID, Product, Brand, Size, Price, Shop, Quantity FROM Items WHERE "
                               "ItemID > ?1 AND ItemID <= ?3 ORDER BY ItemID LIMIT ?2",
                               -1, &s, nullptr) == SQLITE_OK) {
            sqlite3_bind_int64(s, 3, last);
            for (;;) {
                sqlite3_bind_int64(s, 1, after);
                sqlite3_bind_int(s, 2, kRowsPerRun);
                int rc = SQLITE_OK;
                int rows = 0;
                while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                    Item item;
                    if (!readItem(s, item, read.brands))
                        read.usable = false;
                    read.items.push_back(item);
                    after = sqlite3_column_int64(s, 0); // the whole ItemID: the item's may not hold it
                    ++rows;
                }
                sqlite3_reset(s);
                if (rc != SQLITE_DONE)
                    break;
                if (rows < kRowsPerRun) {
                    read.complete = true;
                    break;
                }
            }
        }
        sqlite3_finalize(s);
    }
    sqlite3_close_v2(c);
    read.brands.added = true;
    return read;
}

bool ItemIndex::rereadItems(std::vector<std::int64_t> ids, std::vector<std::uint32_t>& changed) {
    bool inPlace = true;
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    QStringList params;
    for (int i = 1; i <= kIdsPerRead; ++i)
        params << QStringLiteral("?%1").arg(i);
    engine::Statement s(db_.connection(), kItemColumns + QStringLiteral(" WHERE ItemID IN (") +
                                              params.join(QLatin1Char(',')) + QLatin1Char(')'));
    const auto slotOf = [this](std::int64_t id) {
        return std::lower_bound(items_.begin(), items_.end(), id,
                                [](const Item& item, std::int64_t key) { return item.id < key; });
    };
    for (size_t from = 0; from < ids.size(); from += kIdsPerRead) {
        const size_t n = std::min<size_t>(kIdsPerRead, ids.size() - from);
        for (int i = 0; i < kIdsPerRead; ++i)
            s.bind(i + 1, static_cast<size_t>(i) < n ? engine::Value{ids[from + static_cast<size_t>(i)]}
                                                     : engine::Value{});
        std::vector<bool> found(n, false);
        while (s.step()) {
            found[static_cast<size_t>(std::lower_bound(ids.begin() + static_cast<std::ptrdiff_t>(from),
                                                       ids.begin() + static_cast<std::ptrdiff_t>(from + n),
                                                       sqlite3_column_int64(s.handle(), 0)) -
                                      (ids.begin() + static_cast<std::ptrdiff_t>(from)))] = true;
            Item item;
            if (!readItem(s.handle(), item, brands_)) {
                usable_ = false; // the lists read their statements until the table is read afresh
                continue;
            }
            auto at = slotOf(item.id);
            if (at != items_.end() && at->id == item.id) {
                if (at->flags & Deleted)
                    --deletedItems_;
                *at = item;
            } else {
                inPlace = inPlace && at == items_.end();
                if (items_.size() == items_.capacity()) {
                    const auto place = at - items_.begin();
                    items_.reserve(withRoom(items_.size()));
                    at = items_.begin() + place;
                }
                items_.insert(at, item);
            }
            changed.push_back(static_cast<std::uint32_t>(slotOf(item.id) - items_.begin()));
        }
        s.reset();
        for (size_t i = 0; i < n; ++i) {
            if (found[i])
                continue;
            const auto at = slotOf(ids[from + i]);
            if (at != items_.end() && at->id == ids[from + i] && !(at->flags & Deleted)) {
                at->flags |= Deleted;
                ++deletedItems_;
                changed.push_back(static_cast<std::uint32_t>(at - items_.begin()));
            }
        }
    }
    if (deletedItems_ > items_.size() / 4) {
        std::erase_if(items_, [](const Item& item) { return item.flags & Deleted; });
        deletedItems_ = 0;
        inPlace = false;
    }
    return inPlace;
}

void ItemIndex::bringUpToDate() {
    if (!loaded_) {
        usable_ = true;
        for (bool& r : reload_)
            r = true;
        if (reading_.valid()) {
            ItemsRead read = reading_.get();
            if (read.complete && !readingStale_) {
                // Taken over with the rows changed since it started; another connection's commit since
                // then shows in the data version below and has the table read again.
                items_ = std::move(read.items);
                brands_ = std::move(read.brands);
                usable_ = read.usable;
                deletedItems_ = 0;
                forgetAllOrders();
                reload_[Items] = false;
            }
        }
        if (reload_[Items])
            changedItems_.clear();
        loaded_ = true;
    }
    // Another connection's commit changes the file's data version; ours are followed row by row.
    for (int t = Items; t < TableCount; ++t) {
        const std::int64_t version = dataVersion(static_cast<Table>(t));
        if (version != versions_[t])
            reload_[t] = true;
        versions_[t] = version;
    }
    // A small table read again keeps the orders that depend on it when its rows stayed as they were and new
    // ones only came at the end: a new name takes its place among the others without moving them.
    const auto keptRows = [](const auto& before, const auto& after, auto same) {
        if (after.size() < before.size())
            return false;
        for (size_t i = 0; i < before.size(); ++i)
            if (!same(before[i], after[i]))
                return false;
        return true;
    };
    const auto sameName = [](const Named& a, const Named& b) { return a.id == b.id && a.name == b.name; };
    size_t productsBefore = products_.size();
    // A new category or shop moves no row unless a product type or item named it before it existed: those
    // sorted as joined to nothing.
    const auto namedBefore = [](const std::vector<Named>& before, const std::vector<Named>& after,
                                const auto& rows, auto named) {
        std::unordered_set<std::int64_t> added;
        for (size_t i = before.size(); i < after.size(); ++i)
            added.insert(after[i].id);
        return !added.empty() && std::any_of(rows.begin(), rows.end(),
                                             [&](const auto& row) { return added.contains(named(row)); });
    };
    if (reload_[Categories]) {
        const std::vector<Named> before = std::move(categories_);
        loadNames(Categories, "CatID", "CatName", categories_, categorySlots_);
        if (!keptRows(before, categories_, sameName) ||
            namedBefore(before, categories_, products_, [](const Product& p) { return p.category; }))
            forgetOrders({Order::Category});
    }
    if (reload_[Shops]) {
        const std::vector<Named> before = std::move(shops_);
        loadNames(Shops, "ShopID", "ShopName", shops_, shopSlots_);
        if (!keptRows(before, shops_, sameName) ||
            namedBefore(before, shops_, items_, [](const Item& item) { return std::int64_t{item.shop}; }))
            forgetOrders({Order::Shop});
    }
    bool newProducts = false;
    if (reload_[Products]) {
        const std::vector<Product> before = std::move(products_);
        productsBefore = before.size();
        loadProducts();
        if (!keptRows(before, products_, [](const Product& a, const Product& b) {
                return a.id == b.id && a.name == b.name && a.hasUnit == b.hasUnit && a.unit == b.unit &&
                       a.category == b.category;
            }))
            forgetOrders({Order::Category, Order::Product, Order::Brand, Order::Shop, Order::UnitOfMeasure});
        newProducts = products_.size() > before.size();
    }
    if (reload_[Products] || reload_[Categories])
        for (Product& p : products_)
            p.categorySlot = categorySlots_.find(p.category);
    std::vector<std::uint32_t> changed;
    if (reload_[Items]) {
        usable_ = true;
        loadItems();
    } else {
        // In runs, so that the rows as they were (to tell which orders they must move in) are never many.
        constexpr size_t kRowsPerRun = 16384;
        for (size_t from = 0; from < changedItems_.size(); from += kRowsPerRun) {
            const auto first = changedItems_.begin() + static_cast<std::ptrdiff_t>(from);
            const std::vector<std::int64_t> ids(
                first,
                first + static_cast<std::ptrdiff_t>(std::min(kRowsPerRun, changedItems_.size() - from)));
            std::vector<PlacedItem> before;
            for (std::int64_t id : ids) {
                const auto at =
                    std::lower_bound(items_.begin(), items_.end(), id,
                                     [](const Item& item, std::int64_t key) { return item.id < key; });
                if (at != items_.end() && at->id == id && !(at->flags & Deleted))
                    before.push_back({static_cast<std::uint32_t>(at - items_.begin()), *at});
            }
            const size_t placed = changed.size();
            if (!rereadItems(ids, changed))
                forgetAllOrders();
            if (brands_.added)
                rankBrands();
            placeAgain({changed.begin() + static_cast<std::ptrdiff_t>(placed), changed.end()},
                       std::move(before));
        }
    }
    if (brands_.added)
        rankBrands();
    if (newProducts) {
        // An item that named a product type before it existed sorted as joined to nothing; it must be placed
        // anew, which only the items read again are.
        std::sort(changed.begin(), changed.end());
        for (size_t slot = 0; slot < items_.size(); ++slot) {
            const int p = productSlots_.find(items_[slot].product);
            if (p >= static_cast<int>(productsBefore) &&
                !std::binary_search(changed.begin(), changed.end(), static_cast<std::uint32_t>(slot))) {
                forgetAllOrders();
                break;
            }
        }
    }
    // Inside a transaction what was read may still be rolled back: it is read again once the transaction
    // ended, whichever way.
    if (sqlite3_get_autocommit(db_.connection()) == 0)
        return;
    // A bulk change (Clear, a deleted shop) names many rows; the room they took goes back with them.
    constexpr size_t kChangedRowsKept = 65536;
    if (changedItems_.capacity() > kChangedRowsKept)
        std::vector<std::int64_t>().swap(changedItems_);
    changedItems_.clear();
    for (bool& r : reload_)
        r = false;
}

void ItemIndex::prepare() {
    if (loaded_)
        return;
    if (readAheadFile_) {
        const auto began = *readAheadFile_;
        readAheadFile_.reset();
        // Anything written since (a repair, an older table brought up to date) changed the file: what was
        // read of it is dropped, as the read of a file that failed the check is.
        if (reading_.valid() && !readingStale_ &&
            fileState(db_.dataFilePath(QStringLiteral("Items"))) == began) {
            try {
                versions_[Items] = dataVersion(Items);
                return;
            } catch (const engine::EngineError&) {
            }
        }
        if (reading_.valid())
            reading_.get();
    }
    if (reading_.valid())
        return;
    try {
        versions_[Items] = dataVersion(Items);
        const QString path = db_.dataFilePath(QStringLiteral("Items"));
        changedItems_.clear();
        readingStale_ = false;
        reading_ = std::async(std::launch::async, &ItemIndex::readItemsFile, path, 2);
    } catch (const engine::EngineError&) {
        // The first list reads the table itself, and says what is wrong with it.
    }
}

void ItemIndex::readAhead() {
    if (loaded_ || reading_.valid())
        return;
    const QString path = db_.dataFilePath(QStringLiteral("Items"));
    const auto state = fileState(path);
    if (!state)
        return;
    readAheadFile_ = *state;
    changedItems_.clear();
    readingStale_ = false;
    // One thread: the other is the check's.
    reading_ = std::async(std::launch::async, &ItemIndex::readItemsFile, path, 1);
}

bool ItemIndex::usableNow() {
    try {
        bringUpToDate();
    } catch (...) {
        loaded_ = false; // read afresh next time
        throw;
    }
    return usable_;
}

bool ItemIndex::allItemIds(engine::KeyList& ids) {
    ids.clear();
    if (!usableNow())
        return false;
    ids.reserve(withRoom(items_.size() - deletedItems_)); // a table's row ids take a new row in place
    for (const Item& item : items_)
        if (!(item.flags & Deleted))
            ids.push_back(item.id);
    return true;
}

bool ItemIndex::select(const Selection& selection, engine::KeyList& keys, const RowVisitor& visit,
                       Counts* counts) {
    keys.clear();
    if (counts)
        *counts = {};
    if (selection.shops && selection.shops->isEmpty())
        return true; // no shop chosen: nothing to read
    if (!usableNow())
        return false;

    std::vector<char> shopChosen(shops_.size(), selection.shops ? 0 : 1);
    if (selection.shops)
        for (int id : *selection.shops)
            if (const int slot = shopSlots_.find(id); slot >= 0)
                shopChosen[static_cast<size_t>(slot)] = 1;

    // A search is tried on each product type, brand, category and shop name once, not on each row.
    const engine::TextSearch search(selection.search, db_.definition(QStringLiteral("Items")).locale);
    const auto& words = search.parsedWords();
    const size_t wordCount = words.size();
    std::vector<std::vector<char>> productHits(wordCount), brandHits(wordCount), categoryHits(wordCount),
        shopHits(wordCount);
    bool numbers = false;
    for (size_t w = 0; w < wordCount; ++w) {
        const auto hits = [&](const auto& rows, auto name, std::vector<char>& out) {
            out.resize(rows.size());
            for (size_t i = 0; i < rows.size(); ++i) {
                const std::string& text = name(rows[i]);
                out[i] = search.matchesText(words[w], text.data(), static_cast<int>(text.size())) ? 1 : 0;
            }
        };
        hits(
            products_, [](const Product& p) -> const std::string& { return p.name; }, productHits[w]);
        hits(
            brands_.names, [](const std::string& b) -> const std::string& { return b; }, brandHits[w]);
        hits(
            categories_, [](const Named& n) -> const std::string& { return n.name; }, categoryHits[w]);
        hits(
            shops_, [](const Named& n) -> const std::string& { return n.name; }, shopHits[w]);
        numbers = numbers || !words[w].number.empty();
    }
    const std::unordered_set<std::int64_t> kept(selection.kept.begin(), selection.kept.end());
    std::vector<NumberHits> numberHits(wordCount);

    // First in the items' own order, which reads them from memory one after the other: which rows are
    // shown, and the counts. Then in the selection's order, which jumps from item to item, through no more
    // than the shown rows' ids.
    Counts counted;
    std::vector<std::int32_t> categoryOf(products_.size()); // the products' category slots, close together
    for (size_t p = 0; p < products_.size(); ++p)
        categoryOf[p] = products_[p].categorySlot;
    std::vector<bool> isShown(items_.size()), withQuantity(visit ? items_.size() : 0);
    std::vector<std::int32_t> shownIds(items_.size());
    size_t shown = 0;
    for (size_t slot = 0; slot < items_.size(); ++slot) {
        const Item& item = items_[slot];
        if (item.flags & Deleted)
            continue;
        const int productSlot = productSlots_.find(item.product);
        if (productSlot < 0)
            continue;
        const std::int32_t categorySlot = categoryOf[static_cast<size_t>(productSlot)];
        const int shopSlot = shopSlots_.find(item.shop);
        if (categorySlot < 0 || shopSlot < 0 || !shopChosen[static_cast<size_t>(shopSlot)])
            continue;
        const bool hasQuantity = item.flags & HasQuantity;
        if (selection.listedOnly && !hasQuantity)
            continue;
        ++counted.rows;
        if (hasQuantity && item.quantity >= 1)
            ++counted.listed;
        if (wordCount > 0 && !kept.contains(item.id)) {
            bool all = true;
            for (size_t w = 0; w < wordCount && all; ++w) {
                all = productHits[w][static_cast<size_t>(productSlot)] ||
                      (item.brand >= 0 && brandHits[w][static_cast<size_t>(item.brand)]) ||
                      categoryHits[w][static_cast<size_t>(categorySlot)] ||
                      shopHits[w][static_cast<size_t>(shopSlot)];
                if (!all && numbers && !words[w].number.empty())
                    all = ((item.flags & HasSize) && numberHits[w].matches(item.size, false, words[w])) ||
                          ((item.flags & HasPrice) && numberHits[w].matches(item.price, true, words[w]));
            }
            if (!all)
                continue;
        }
        isShown[slot] = true;
        shownIds[slot] = item.id;
        if (visit)
            withQuantity[slot] = hasQuantity;
        ++shown;
    }
    keys.reserve(shown);
    for (const std::uint32_t slot : ordered(selection.order)) {
        if (!isShown[slot])
            continue;
        const std::int32_t id = shownIds[slot];
        keys.push_back(id);
        if (visit && withQuantity[slot]) {
            const Item& item = items_[slot];
            visit(id, engine::Value{std::int64_t{item.quantity}},
                  numberValue(item.flags & HasPrice, true, item.price));
        }
    }
    if (counts)
        *counts = counted;
    returnFreedMemory();
    return true;
}

ItemIndex::Key ItemIndex::keyOf(const Item& item, Order order) const {
    const int productSlot = productSlots_.find(item.product);
    if (productSlot < 0)
        return {}; // in no list
    const Product& product = products_[static_cast<size_t>(productSlot)];
    const auto productRank = static_cast<std::uint32_t>(product.rank);
    switch (order) {
    case Order::Category:
        return {product.categorySlot < 0
                    ? 0
                    : static_cast<std::uint64_t>(categories_[static_cast<size_t>(product.categorySlot)].rank),
                productRank};
    case Order::Product:
        return {productRank, 0};
    case Order::Brand:
        return {item.brand < 0 ? 0
                               : static_cast<std::uint64_t>(brandRanks_[static_cast<size_t>(item.brand)]) + 1,
                productRank};
    case Order::Size:
        return {numberKey(item.flags & HasSize, item.size), 0};
    case Order::UnitOfMeasure:
        return {product.hasUnit ? static_cast<std::uint64_t>(product.unitRank) + 1 : 0, 0};
    case Order::Price:
        return {numberKey(item.flags & HasPrice, item.price), 0};
    case Order::Shop: {
        const int shopSlot = shopSlots_.find(item.shop);
        return {shopSlot < 0 ? 0 : static_cast<std::uint64_t>(shops_[static_cast<size_t>(shopSlot)].rank),
                productRank};
    }
    case Order::Quantity:
        return {numberKey(item.flags & HasQuantity, item.quantity), 0};
    }
    return {};
}

const std::vector<std::uint32_t>& ItemIndex::ordered(Order order) {
    const auto o = static_cast<size_t>(order);
    std::vector<std::uint32_t>& sequence = orders_[o];
    if (ordered_[o])
        return sequence;
    static_assert(sizeof(Item) == 32);
    sequence = {};
    sequence.reserve(withRoom(items_.size() - deletedItems_));
    sortItems(order, sequence);
    ordered_[o] = true;
    return sequence;
}

void ItemIndex::sortItems(Order order, std::vector<std::uint32_t>& sequence) const {
    // Keys repeat from item to item: each item gets the bucket of its key, its place among the keys that
    // occur, and stable counting passes by bucket put the items in key order, alike keys in slot order,
    // without a comparison sort. Every pass reads what it counts by in slot order or from a small table,
    // never item by item in another order, which would fetch each item from memory on its own.
    const auto before = [](const Key& a, const Key& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    };
    const auto same = [](const Key& a, const Key& b) { return a.first == b.first && a.second == b.second; };
    // The buckets of these keys, in part (indexed as keys), where part held each key's index.
    const auto bucketsOf = [&](const std::vector<Key>& keys, std::vector<std::uint32_t>& part) {
        std::vector<std::uint32_t> byKey(keys.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::sort(byKey.begin(), byKey.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return before(keys[a], keys[b]); });
        std::vector<std::uint32_t> bucket(keys.size());
        std::uint32_t next = 0;
        for (size_t i = 0; i < byKey.size(); ++i) {
            if (i > 0 && !same(keys[byKey[i - 1]], keys[byKey[i]]))
                ++next;
            bucket[byKey[i]] = next;
        }
        for (std::uint32_t& p : part)
            p = bucket[p];
    };
    // One stable pass: the slots of `in` (every live slot in order when null) by their part.
    const auto countingPass = [&](const std::vector<std::uint32_t>* in,
                                  const std::vector<std::uint32_t>& part, std::vector<std::uint32_t>& out) {
        const std::uint32_t most = part.empty() ? 0 : *std::max_element(part.begin(), part.end());
        std::vector<std::uint32_t> start(static_cast<size_t>(most) + 2, 0);
        const auto each = [&](const auto& visit) {
            if (in)
                for (const std::uint32_t slot : *in)
                    visit(slot);
            else
                for (size_t slot = 0; slot < items_.size(); ++slot)
                    if (!(items_[slot].flags & Deleted))
                        visit(static_cast<std::uint32_t>(slot));
        };
        each([&](std::uint32_t slot) { ++start[part[slot] + 1]; });
        std::partial_sum(start.begin(), start.end(), start.begin());
        out.resize(start.back());
        each([&](std::uint32_t slot) { out[start[part[slot]]++] = slot; });
    };

    std::vector<std::uint32_t> part(items_.size());
    if (order == Order::Size || order == Order::Price || order == Order::Quantity) {
        // A number's key: the distinct values, found through a hash table.
        std::unordered_map<std::uint64_t, std::uint32_t> index;
        std::vector<Key> keys;
        for (size_t slot = 0; slot < items_.size(); ++slot) {
            const Key key = keyOf(items_[slot], order);
            const auto [at, added] = index.try_emplace(key.first, static_cast<std::uint32_t>(keys.size()));
            if (added)
                keys.push_back(key);
            part[slot] = at->second;
        }
        bucketsOf(keys, part);
        countingPass(nullptr, part, sequence);
        return;
    }
    // A name order's key depends on the product type alone, but for Brand and Shop, where the product type
    // gives the second part only: those are ordered by it first and then, stably, by brand or shop. An item
    // whose product type does not exist has the key (0, 0), as keyOf gives it: keys[0].
    std::vector<Key> keys{Key{}};
    for (const Product& product : products_) {
        Item probe;
        probe.product = static_cast<std::int32_t>(product.id);
        keys.push_back(keyOf(probe, order));
    }
    const bool byProductFirst = order == Order::Brand || order == Order::Shop;
    if (byProductFirst)
        for (Key& key : keys)
            key.first = 0;
    for (size_t slot = 0; slot < items_.size(); ++slot)
        part[slot] = static_cast<std::uint32_t>(productSlots_.find(items_[slot].product) + 1);
    bucketsOf(keys, part);
    if (!byProductFirst) {
        countingPass(nullptr, part, sequence);
        return;
    }
    std::vector<std::uint32_t> byProduct;
    countingPass(nullptr, part, byProduct);
    for (size_t slot = 0; slot < items_.size(); ++slot) {
        const Item& item = items_[slot];
        part[slot] =
            productSlots_.find(item.product) < 0 ? 0 : static_cast<std::uint32_t>(keyOf(item, order).first);
    }
    countingPass(&byProduct, part, sequence);
}

void ItemIndex::placeAgain(const std::vector<std::uint32_t>& changed, std::vector<PlacedItem> before) {
    if (changed.empty())
        return;
    std::vector<std::uint32_t> rows = changed;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::sort(before.begin(), before.end(),
              [](const PlacedItem& a, const PlacedItem& b) { return a.slot < b.slot; });
    const auto sameKey = [](const Key& a, const Key& b) {
        return a.first == b.first && a.second == b.second;
    };
    for (int o = 0; o < kOrderCount; ++o) {
        if (!ordered_[o])
            continue;
        const auto order = static_cast<Order>(o);
        // Rows whose key for this order stayed the same keep their place (a quantity changed, say).
        std::vector<std::uint32_t> moved;
        for (std::uint32_t slot : rows) {
            const auto old =
                std::lower_bound(before.begin(), before.end(), slot,
                                 [](const PlacedItem& p, std::uint32_t s) { return p.slot < s; });
            const Item& now = items_[slot];
            if (old != before.end() && old->slot == slot && !(now.flags & Deleted) &&
                sameKey(keyOf(old->item, order), keyOf(now, order)))
                continue;
            moved.push_back(slot);
        }
        // Moving a few rows costs a pass over the order; many are sorted afresh when next asked for.
        constexpr size_t kMostPlaced = 256;
        if (moved.size() > kMostPlaced) {
            forgetOrders({order});
            continue;
        }
        std::vector<std::uint32_t>& sequence = orders_[o];
        if (moved.size() <= 8) {
            for (std::uint32_t slot : moved)
                if (const auto at = std::find(sequence.begin(), sequence.end(), slot); at != sequence.end())
                    sequence.erase(at);
        } else {
            std::erase_if(sequence, [&](std::uint32_t slot) {
                return std::binary_search(moved.begin(), moved.end(), slot);
            });
        }
        const auto precedes = [&](std::uint32_t a, std::uint32_t b) {
            const Key ka = keyOf(items_[a], order), kb = keyOf(items_[b], order);
            if (ka.first != kb.first)
                return ka.first < kb.first;
            if (ka.second != kb.second)
                return ka.second < kb.second;
            return a < b;
        };
        if (sequence.capacity() < sequence.size() + moved.size())
            sequence.reserve(withRoom(sequence.size() + moved.size()));
        for (std::uint32_t slot : moved)
            if (!(items_[slot].flags & Deleted))
                sequence.insert(std::lower_bound(sequence.begin(), sequence.end(), slot, precedes), slot);
    }
}

void ItemIndex::forgetOrders(std::initializer_list<Order> orders) {
    for (Order order : orders) {
        const auto o = static_cast<size_t>(order);
        ordered_[o] = false;
        orders_[o] = {};
    }
}

void ItemIndex::forgetAllOrders() {
    for (int o = 0; o < kOrderCount; ++o)
        forgetOrders({static_cast<Order>(o)});
}
