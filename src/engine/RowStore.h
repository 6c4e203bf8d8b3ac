#pragma once

#include "Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;
struct sqlite3_value;

namespace engine {

// Rows read from a table or a query result, held compactly: one 16-byte cell per field and one
// text arena, so that a page of rows costs few allocations.
class RowStore {
public:
    // Absent: a field a partial read left out; its value is still in the table.
    enum class Kind : std::uint8_t { Null, Integer, Float, Text, Absent };

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
    // Appends the statement's current row as far as it was read: sourceOf[c] is the statement column of
    // column c, -1 for one left out.
    int appendPartial(sqlite3_stmt* stmt, const std::vector<int>& sourceOf);
    // Appends a row of another store with the same columns, left-out fields included.
    int appendCopy(const RowStore& from, int row);
    int appendRow(const std::vector<Value>& values);
    void setValue(int row, int column, const Value& value);

    const Cell& cell(int row, int column) const {
        return cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)];
    }
    std::string_view text(const Cell& c) const { return {arena_.data() + c.offset, c.length}; }
    Value value(int row, int column) const;
    // The values of a row into out, reusing what out already holds; fields left out read as empty and are
    // flagged in absent. True when some field was left out.
    bool readRow(int row, std::vector<Value>& out, std::vector<char>* absent = nullptr) const;

private:
    Cell makeCell(const Value& v);
    void readCell(Cell& cell, sqlite3_value* v);

    int columns_ = 0;
    std::vector<Cell> cells_;
    std::string arena_;
};

} // namespace engine
