#include "RowCache.h"

#include <algorithm>
#include <bit>

namespace engine {

bool RowCache::SlotIndex::insert(std::int64_t key, int slot) {
    // At most half full, so that probes stay short.
    if (static_cast<size_t>(size_ + 1) * 2 > entries_.size())
        rehash(std::max<size_t>(64, entries_.size() * 2));
    for (size_t i = home(key);; i = (i + 1) & mask_) {
        Entry& e = entries_[i];
        if (e.slot < 0) {
            e = {key, slot};
            ++size_;
            return false;
        }
        if (e.key == key) {
            e.slot = slot;
            return true;
        }
    }
}

bool RowCache::SlotIndex::remove(std::int64_t key) {
    if (entries_.empty())
        return false;
    size_t i = home(key);
    while (entries_[i].slot >= 0 && entries_[i].key != key)
        i = (i + 1) & mask_;
    if (entries_[i].slot < 0)
        return false;
    // Moves later entries of the run back into the gap, so that no probe stops short of its key.
    for (size_t j = (i + 1) & mask_; entries_[j].slot >= 0; j = (j + 1) & mask_) {
        const size_t h = home(entries_[j].key);
        const bool between = i <= j ? (i < h && h <= j) : (i < h || h <= j);
        if (!between) {
            entries_[i] = entries_[j];
            i = j;
        }
    }
    entries_[i] = Entry{};
    --size_;
    return true;
}

void RowCache::SlotIndex::clear(int expected) {
    size_t buckets = 64;
    while (buckets < static_cast<size_t>(expected) * 2)
        buckets *= 2;
    if (entries_.size() == buckets) {
        std::fill(entries_.begin(), entries_.end(), Entry{});
        size_ = 0;
    } else {
        entries_.clear();
        size_ = 0;
        rehash(buckets);
    }
}

void RowCache::SlotIndex::rehash(size_t buckets) {
    std::vector<Entry> old(buckets);
    old.swap(entries_);
    mask_ = buckets - 1;
    shift_ = 64 - std::countr_zero(buckets);
    size_ = 0;
    for (const Entry& e : old)
        if (e.slot >= 0)
            insert(e.key, e.slot);
}

void RowCache::reset(int columns, int capacity) {
    store_.reset(columns);
    retired_.reset(0);
    slots_.clear(capacity_);
    pinned_.clear();
    capacity_ = capacity;
    ++epoch_;
}

void RowCache::makeRoom(std::int64_t keep) {
    if (!full())
        return;
    // The store only grows; a fresh one frees the text of rows nobody looks at any more.
    const int keptSlot = pinned_.contains(keep) ? -1 : find(keep);
    // The store retired last time is no longer looked at: it takes the new rows, its room already grown.
    std::swap(retired_, store_);
    store_.reset(retired_.columns());
    slots_.clear(capacity_);
    for (auto it = pinned_.cbegin(); it != pinned_.cend(); ++it)
        slots_.insert(it.key(), store_.appendRow(it.value()));
    if (keptSlot >= 0)
        slots_.insert(keep, store_.appendCopy(retired_, keptSlot));
    ++epoch_;
}

void RowCache::forgetAllBut(const std::function<bool(std::int64_t)>& keep) {
    retired_ = std::move(store_);
    store_ = RowStore(retired_.columns());
    slots_.clear(capacity_);
    for (auto it = pinned_.begin(); it != pinned_.end();) {
        if (keep(it.key())) {
            slots_.insert(it.key(), store_.appendRow(it.value()));
            ++it;
        } else {
            it = pinned_.erase(it);
        }
    }
    ++epoch_;
}

void RowCache::forget(std::int64_t key) {
    if (slots_.remove(key))
        ++epoch_;
}

int RowCache::put(std::int64_t key, sqlite3_stmt* stmt, int firstColumn) {
    const int slot = store_.appendFromStatement(stmt, firstColumn);
    // A key that was cached already leaves its old slot stale.
    if (slots_.insert(key, slot))
        ++epoch_;
    return slot;
}

int RowCache::putPartial(std::int64_t key, sqlite3_stmt* stmt, const std::vector<int>& sourceOf) {
    const int slot = store_.appendPartial(stmt, sourceOf);
    if (slots_.insert(key, slot))
        ++epoch_;
    return slot;
}

int RowCache::put(std::int64_t key, const std::vector<Value>& values, bool pinned) {
    forget(key);
    const int slot = store_.appendRow(values);
    slots_.insert(key, slot);
    if (pinned)
        pinned_.insert(key, values);
    else
        pinned_.remove(key);
    return slot;
}

void RowCache::drop(std::int64_t key) {
    forget(key);
    pinned_.remove(key);
}

} // namespace engine
