#include "RowStore.h"

#include <sqlite3.h>

namespace engine {

void RowStore::reset(int columns) {
    columns_ = columns;
    cells_.clear();
    arena_.clear();
}

int RowStore::appendFromStatement(sqlite3_stmt* stmt, int first) {
    const int row = rows();
    for (int c = 0; c < columns_; ++c) {
        Cell cell;
        switch (sqlite3_column_type(stmt, first + c)) {
        case SQLITE_INTEGER:
            cell.kind = Kind::Integer;
            cell.integer = sqlite3_column_int64(stmt, first + c);
            break;
        case SQLITE_FLOAT:
            cell.kind = Kind::Float;
            cell.real = sqlite3_column_double(stmt, first + c);
            break;
        case SQLITE_NULL:
            break;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, first + c));
            const int n = sqlite3_column_bytes(stmt, first + c);
            cell.kind = Kind::Text;
            cell.offset = arena_.size();
            cell.length = static_cast<std::uint32_t>(n);
            arena_.append(p ? p : "", static_cast<size_t>(n));
            break;
        }
        }
        cells_.push_back(cell);
    }
    return row;
}

RowStore::Cell RowStore::makeCell(const Value& v) {
    Cell cell;
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        cell.kind = Kind::Integer;
        cell.integer = *i;
    } else if (const auto* d = std::get_if<double>(&v)) {
        cell.kind = Kind::Float;
        cell.real = *d;
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        cell.kind = Kind::Text;
        cell.offset = arena_.size();
        cell.length = static_cast<std::uint32_t>(s->size());
        arena_.append(*s);
    }
    return cell;
}

int RowStore::appendRow(const std::vector<Value>& values) {
    const int row = rows();
    for (int c = 0; c < columns_; ++c)
        cells_.push_back(makeCell(values[static_cast<size_t>(c)]));
    return row;
}

void RowStore::setValue(int row, int column, const Value& value) {
    const Cell fresh = makeCell(value);
    cells_[static_cast<size_t>(row) * static_cast<size_t>(columns_) + static_cast<size_t>(column)] = fresh;
}

Value RowStore::value(int row, int column) const {
    const Cell& c = cell(row, column);
    switch (c.kind) {
    case Kind::Integer:
        return c.integer;
    case Kind::Float:
        return c.real;
    case Kind::Text:
        return std::string(text(c));
    case Kind::Null:
        break;
    }
    return {};
}

std::vector<Value> RowStore::rowValues(int row) const {
    std::vector<Value> out;
    out.reserve(static_cast<size_t>(columns_));
    for (int c = 0; c < columns_; ++c)
        out.push_back(value(row, c));
    return out;
}

} // namespace engine
