#include "RowCache.h"

namespace engine {

void RowCache::reset(int columns, int capacity) {
    store_.reset(columns);
    retired_.reset(0);
    slots_.clear();
    pinned_.clear();
    capacity_ = capacity;
    ++epoch_;
}

void RowCache::makeRoom(std::int64_t keep) {
    if (!full())
        return;
    // The store only grows; a fresh one frees the text of rows nobody looks at any more.
    const int keptSlot = find(keep);
    std::vector<Value> kept;
    if (keptSlot >= 0 && !pinned_.contains(keep))
        kept = store_.rowValues(keptSlot);
    // The store retired last time is no longer looked at: it takes the new rows, its room already grown.
    std::swap(retired_, store_);
    store_.reset(retired_.columns());
    slots_.clear();
    slots_.reserve(capacity_);
    for (auto it = pinned_.cbegin(); it != pinned_.cend(); ++it)
        slots_.insert(it.key(), store_.appendRow(it.value()));
    if (!kept.empty())
        slots_.insert(keep, store_.appendRow(kept));
    ++epoch_;
}

void RowCache::forgetAllBut(const std::function<bool(std::int64_t)>& keep) {
    retired_ = std::move(store_);
    store_ = RowStore(retired_.columns());
    slots_.clear();
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
    // One look-up: a key that was cached already leaves the size as it was, and its old slot is stale.
    const qsizetype before = slots_.size();
    slots_.insert(key, slot);
    if (slots_.size() == before)
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
