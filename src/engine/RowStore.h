#pragma once

#include "Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace engine {

// Rows read from a table or a query result, held compactly: one 16-byte cell per field and one
// text arena, so that a page of rows costs few allocations.
class RowStore {
public:
    enum class Kind : std::uint8_t { Null, Integer, Float, Text };

    struct Cell {
        Kind kind = Kind::Null;
        std::uint32_t length = 0; // text bytes
        union {
            std::int64_t integer;
            double real;
            std::uint64_t offset; // into the arena
        };
        Cell() : integer(0) {}
    };

    explicit RowStore(int columns = 0) : columns_(columns) {}

    void reset(int columns);
    int columns() const { return columns_; }
    int rows() const {
        return static_cast<int>(cells_.size() / static_cast<size_t>(columns_ ? columns_ : 1));
    }
    void reserve(int rows) { cells_.reserve(static_cast<size_t>(rows) * static_cast<size_t>(columns_)); }

    // Appends the statement's current row, columns [first, first + columns()).
    int appendFromStatement(sqlite3_stmt* stmt, int first);
    int appendRow(const std::vector<Value>& values);
    void setValue(int row, int column, const Value& value);

    const Cell& cell(int row, int column) const {
        return cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
    }
    std::string_view text(const Cell& c) const { return {arena_.data() + c.offset, c.length}; }
    Value value(int row, int column) const;
    std::vector<Value> rowValues(int row) const;
    // The values of a row into out, reusing what out already holds.
    void readRow(int row, std::vector<Value>& out) const;

private:
    Cell makeCell(const Value& v);

    int columns_ = 0;
    std::vector<Cell> cells_;
    std::string arena_;
};

} // namespace engine
