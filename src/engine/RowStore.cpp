#include "RowStore.h"

#include <sqlite3.h>

namespace engine {

void RowStore::reset(int columns) {
    columns_ = columns;
    cells_.clear();
    arena_.clear();
}

void RowStore::readCell(Cell& cell, sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        cell.kind = Kind::Integer;
        cell.integer = sqlite3_value_int64(v);
        break;
    case SQLITE_FLOAT:
        cell.kind = Kind::Float;
        cell.real = sqlite3_value_double(v);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        const int n = sqlite3_value_bytes(v);
        cell.kind = Kind::Text;
        cell.offset = arena_.size();
        cell.length = static_cast<std::uint32_t>(n);
        arena_.append(p ? p : "", static_cast<size_t>(n));
        break;
    }
    }
}

int RowStore::appendFromStatement(sqlite3_stmt* stmt, int first) {
    const int row = rows();
    cells_.resize(cells_.size() + static_cast<size_t>(columns_));
    Cell* out = cells_.data() + static_cast<size_t>(row) * static_cast<size_t>(columns_);
    // One call for the column, then reads of its value: each column call of the statement costs more.
    for (int c = 0; c < columns_; ++c)
        readCell(out[c], sqlite3_column_value(stmt, first + c));
    return row;
}

int RowStore::appendPartial(sqlite3_stmt* stmt, const std::vector<int>& sourceOf) {
    const int row = rows();
    cells_.resize(cells_.size() + static_cast<size_t>(columns_));
    Cell* out = cells_.data() + static_cast<size_t>(row) * static_cast<size_t>(columns_);
    for (int c = 0; c < columns_; ++c) {
        const int source = sourceOf[static_cast<size_t>(c)];
        if (source < 0)
            out[c].kind = Kind::Absent;
        else
            readCell(out[c], sqlite3_column_value(stmt, source));
    }
    return row;
}

int RowStore::appendCopy(const RowStore& from, int row) {
    const int to = rows();
    for (int c = 0; c < columns_; ++c) {
        Cell cell = from.cell(row, c);
        if (cell.kind == Kind::Text) {
            const std::string_view t = from.text(cell);
            cell.offset = arena_.size();
            arena_.append(t);
        }
        cells_.push_back(cell);
    }
    return to;
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
    case Kind::Absent:
        break;
    }
    return {};
}

bool RowStore::readRow(int row, std::vector<Value>& out, std::vector<char>* absent) const {
    bool anyAbsent = false;
    out.resize(static_cast<size_t>(columns_));
    if (absent)
        absent->assign(static_cast<size_t>(columns_), char{0});
    for (int c = 0; c < columns_; ++c) {
        const Cell& from = cell(row, c);
        Value& to = out[static_cast<size_t>(c)];
        switch (from.kind) {
        case Kind::Integer:
            if (auto* i = std::get_if<std::int64_t>(&to))
                *i = from.integer;
            else
                to = from.integer;
            break;
        case Kind::Float:
            if (auto* d = std::get_if<double>(&to))
                *d = from.real;
            else
                to = from.real;
            break;
        case Kind::Text:
            // Text already held keeps its storage: an edit of row after row allocates nothing.
            if (auto* s = std::get_if<std::string>(&to))
                s->assign(text(from));
            else
                to.emplace<std::string>(text(from));
            break;
        case Kind::Absent:
            if (absent)
                (*absent)[static_cast<size_t>(c)] = 1;
            anyAbsent = true;
            to = std::monostate{};
            break;
        case Kind::Null:
            to = std::monostate{};
            break;
        }
    }
    return anyAbsent;
}

} // namespace engine
