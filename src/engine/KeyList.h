#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace engine {

// A list's row keys by position. Four bytes a key while every key fits in 32 bits, as the row ids of a
// household's tables (or of a million items) do; eight bytes a key from the first one that does not.
class KeyList {
public:
    size_t size() const { return wide_ ? wideKeys_.size() : narrowKeys_.size(); }
    bool empty() const { return size() == 0; }
    std::int64_t operator[](size_t at) const { return wide_ ? wideKeys_[at] : narrowKeys_[at]; }

    // Keeps the room of four-byte keys, as a vector's clear() does; eight-byte keys give theirs back, since
    // the next keys most likely fit in four.
    void clear() {
        narrowKeys_.clear();
        if (wide_)
            std::vector<std::int64_t>().swap(wideKeys_);
        wide_ = false;
    }
    void reserve(size_t n) { wide_ ? wideKeys_.reserve(n) : narrowKeys_.reserve(n); }

    void push_back(std::int64_t key) {
        if (!wide_ && !fits(key))
            widen();
        if (wide_)
            wideKeys_.push_back(key);
        else
            narrowKeys_.push_back(static_cast<std::int32_t>(key));
    }
    void insert(size_t at, std::int64_t key) {
        if (!wide_ && !fits(key))
            widen();
        if (wide_)
            wideKeys_.insert(wideKeys_.begin() + static_cast<std::ptrdiff_t>(at), key);
        else
            narrowKeys_.insert(narrowKeys_.begin() + static_cast<std::ptrdiff_t>(at),
                               static_cast<std::int32_t>(key));
    }
    void erase(size_t at) {
        if (wide_)
            wideKeys_.erase(wideKeys_.begin() + static_cast<std::ptrdiff_t>(at));
        else
            narrowKeys_.erase(narrowKeys_.begin() + static_cast<std::ptrdiff_t>(at));
    }

    // The first position holding the key, or -1.
    std::ptrdiff_t find(std::int64_t key) const {
        if (wide_)
            return positionIn(wideKeys_, key);
        return fits(key) ? positionIn(narrowKeys_, static_cast<std::int32_t>(key)) : -1;
    }

    // Whether the n keys from at match those of other from otherAt.
    bool sameRun(size_t at, const KeyList& other, size_t otherAt, size_t n) const {
        for (size_t i = 0; i < n; ++i)
            if ((*this)[at + i] != other[otherAt + i])
                return false;
        return true;
    }

    std::vector<std::int64_t> toVector() const {
        std::vector<std::int64_t> keys;
        keys.reserve(size());
        for (size_t i = 0; i < size(); ++i)
            keys.push_back((*this)[i]);
        return keys;
    }

private:
    static bool fits(std::int64_t key) {
        return key >= std::numeric_limits<std::int32_t>::min() &&
               key <= std::numeric_limits<std::int32_t>::max();
    }
    template <typename T> static std::ptrdiff_t positionIn(const std::vector<T>& keys, T key) {
        const auto it = std::find(keys.begin(), keys.end(), key);
        return it == keys.end() ? -1 : it - keys.begin();
    }
    void widen() {
        wideKeys_.reserve(std::max(narrowKeys_.capacity(), narrowKeys_.size() + 1));
        wideKeys_.assign(narrowKeys_.begin(), narrowKeys_.end());
        std::vector<std::int32_t>().swap(narrowKeys_);
        wide_ = true;
    }

    std::vector<std::int32_t> narrowKeys_;
    std::vector<std::int64_t> wideKeys_;
    bool wide_ = false;
};

} // namespace engine
