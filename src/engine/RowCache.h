#pragma once

#include "RowStore.h"

#include <QHash>

#include <cstdint>
#include <functional>
#include <vector>

struct sqlite3_stmt;

namespace engine {

// The rows a table or query object has read, by row key, up to about a fixed number. When full, it starts
// afresh before the next read, keeping the pinned rows (edits that live only in a query's result) and the
// current record. The store it replaces stays alive until the next time, so text of the current record
// handed out before remains valid until the record changes.
class RowCache {
public:
    void reset(int columns, int capacity);
    int columns() const { return store_.columns(); }

    // The slot of a cached row; -1 when it is not cached.
    int find(std::int64_t key) const { return slots_.find(key); }
    // Changes whenever a slot found before may have become invalid or stale.
    std::uint64_t epoch() const { return epoch_; }
    bool full() const { return store_.rows() >= capacity_; }
    // Makes room when full, keeping the row of keep.
    void makeRoom(std::int64_t keep);

    int put(std::int64_t key, sqlite3_stmt* stmt, int firstColumn);
    // A row read in part: sourceOf gives each column's statement column, -1 for one left out.
    int putPartial(std::int64_t key, sqlite3_stmt* stmt, const std::vector<int>& sourceOf);
    int put(std::int64_t key, const std::vector<Value>& values, bool pinned);
    // Changes one value of a cached row that is not pinned, where it is.
    void update(int slot, int column, const Value& value) { store_.setValue(slot, column, value); }
    void drop(std::int64_t key);
    // Forgets every row but the pinned ones that keep accepts, so the others are read again when asked for.
    void forgetAllBut(const std::function<bool(std::int64_t)>& keep);

    const RowStore& store() const { return store_; }

private:
    // Row keys to slots, looked up once per row a walk reads: open addressing with linear probing in one
    // array, cheaper than a general hash table.
    class SlotIndex {
    public:
        int find(std::int64_t key) const {
            if (entries_.empty())
                return -1;
            for (size_t i = home(key);; i = (i + 1) & mask_) {
                const Entry& e = entries_[i];
                if (e.slot < 0)
                    return -1;
                if (e.key == key)
                    return e.slot;
            }
        }
        bool insert(std::int64_t key, int slot); // true when the key was there, its slot now replaced
        bool remove(std::int64_t key);
        void clear(int expected); // empty, with room for this many keys

    private:
        struct Entry {
            std::int64_t key = 0;
            int slot = -1; // -1: free
        };
        size_t home(std::int64_t key) const {
            return static_cast<size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> shift_);
        }
        void rehash(size_t buckets);

        std::vector<Entry> entries_;
        size_t mask_ = 0;
        int shift_ = 64;
        int size_ = 0;
    };

    void forget(std::int64_t key);

    RowStore store_;
    RowStore retired_;
    SlotIndex slots_;
    QHash<std::int64_t, std::vector<Value>> pinned_;
    int capacity_ = 0;
    std::uint64_t epoch_ = 0;
};

} // namespace engine
