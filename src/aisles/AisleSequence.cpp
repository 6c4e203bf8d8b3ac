#include "AisleSequence.h"

#include "Database.h"
#include "Helpers.h"
#include "Query.h"
#include "Table.h"
#include "TextSearch.h"

#include <QSet>

using engine::Value;

namespace {
Value intValue(int v) {
    return Value{std::int64_t{v}};
}
} // namespace

SequenceSpacing SequenceSpacing::append(float last) {
    return {last, 10.0f};
}

SequenceSpacing SequenceSpacing::between(float prev, float next, int n) {
    const float gap = next - prev;
    const float step = gap / static_cast<float>(n + 1);
    return {prev, step};
}

std::vector<float> SequenceSpacing::values(int n) const {
    std::vector<float> out;
    float value = prev + step;
    for (int i = 0; i < n; ++i) {
        out.push_back(value);
        value = value + step;
    }
    return out;
}

bool SequenceSpacing::distinct(int n, std::optional<float> next) const {
    float last = prev;
    for (float v : values(n)) {
        if (!(v > last))
            return false;
        last = v;
    }
    return !next || n == 0 || last < *next;
}

std::vector<AisleSequence::Entry> AisleSequence::shops() const {
    std::vector<Entry> out;
    engine::Table t(&db_, QStringLiteral("Shops"));
    t.setIndexName(QStringLiteral("IdxName"));
    t.open();
    for (t.first(); !t.eof(); t.next())
        out.push_back({t.field(QStringLiteral("ShopID")).asInteger(),
                       t.field(QStringLiteral("ShopName")).asString(), false});
    return out;
}

std::vector<AisleSequence::Entry> AisleSequence::aisleEntries(int shop) const {
    std::vector<Entry> out;
    if (shop < 0)
        return out;
    engine::Query q(&db_);
    q.setSql(QStringList{QStringLiteral("SELECT *"), QStringLiteral("FROM Aisles A, Categories C"),
                         QStringLiteral("WHERE A.Category = C.CatID AND A.Shop = ") + QString::number(shop),
                         QStringLiteral("ORDER BY A.Sequence")});
    q.open();
    for (q.first(); !q.eof(); q.next())
        out.push_back({q.field(QStringLiteral("CatID")).asInteger(),
                       q.field(QStringLiteral("CatName")).asString(),
                       q.field(QStringLiteral("RectLeft")).asInteger() != -1});
    return out;
}

std::vector<AisleSequence::Entry> AisleSequence::availableCategories(int shop, const QString& search) const {
    QSet<QString> listed;
    for (const Entry& e : aisleEntries(shop))
        listed.insert(TaggedListEntry(e.id, e.name));
    std::vector<Entry> out;
    engine::Table t(&db_, QStringLiteral("Categories"));
    t.setIndexName(QStringLiteral("IdxName"));
    t.open();
    const engine::TextSearch found(search, t.definition().locale);
    for (t.first(); !t.eof(); t.next()) {
        Entry e{t.field(QStringLiteral("CatID")).asInteger(), t.field(QStringLiteral("CatName")).asString(),
                false};
        if (!listed.contains(TaggedListEntry(e.id, e.name)) && found.matches({engine::textValue(e.name)}))
            out.push_back(e);
    }
    return out;
}

std::vector<AisleSequence::Aisle> AisleSequence::aisles(int shop) const {
    std::vector<Aisle> out;
    engine::Table t(&db_, QStringLiteral("Aisles"));
    t.setIndexName(QStringLiteral("IdxSeq"));
    t.open();
    t.findNearest({intValue(shop)});
    while (!t.eof() && t.field(QStringLiteral("Shop")).asInteger() == shop) {
        out.push_back({t.field(QStringLiteral("Category")).asInteger(),
                       static_cast<float>(t.field(QStringLiteral("Sequence")).asFloat())});
        t.next();
    }
    return out;
}

SequenceSpacing AisleSequence::spacing(int shop, SequenceDropPoint at, int n,
                                       std::optional<float>& next) const {
    const std::vector<Aisle> rows = aisles(shop);
    next.reset();
    if (at.kind == SequenceDropPoint::Kind::First && !rows.empty()) {
        next = rows.front().sequence;
        return SequenceSpacing::between(0.0f, *next, n);
    }
    if (at.kind == SequenceDropPoint::Kind::After) {
        for (size_t i = 0; i + 1 < rows.size(); ++i)
            if (rows[i].category == at.afterCategory) {
                next = rows[i + 1].sequence;
                return SequenceSpacing::between(rows[i].sequence, *next, n);
            }
    }
    // After the last aisle (also when the list no longer matches the table).
    return SequenceSpacing::append(rows.empty() ? 0.0f : rows.back().sequence);
}

std::vector<int> AisleSequence::drop(int shop, SequenceDropPoint at, const std::vector<int>& categories,
                                     bool fromAvailable) {
    std::vector<int> handled;
    if (shop < 0 || categories.empty())
        return handled;
    const int n = static_cast<int>(categories.size());
    engine::Transaction tx(db_);
    std::optional<float> next;
    SequenceSpacing s = spacing(shop, at, n, next);
    if (!s.distinct(n, next)) {
        // The gap is used up in 32-bit arithmetic: spread the shop out again before dropping.
        renumber(shop);
        s = spacing(shop, at, n, next);
    }
    engine::Table t(&db_, QStringLiteral("Aisles"));
    t.open();
    const QString kSequence = QStringLiteral("Sequence");
    float value = s.prev + s.step;
    for (int category : categories) {
        if (fromAvailable) {
            t.append();
            t.field(QStringLiteral("Shop")).setInteger(shop);
            t.field(QStringLiteral("Category")).setInteger(category);
            t.field(QStringLiteral("RectLeft")).setInteger(-1);
        } else {
            if (!t.findKey({intValue(shop), intValue(category)}))
                continue;
            t.edit();
        }
        t.field(kSequence).setFloat(value);
        t.post();
        value = value + s.step;
        handled.push_back(category);
    }
    t.close();
    tx.commit();
    return handled;
}

std::vector<int> AisleSequence::move(int shop, const std::vector<int>& categories, bool up) {
    const std::vector<Aisle> rows = aisles(shop);
    const QSet<int> wanted(categories.begin(), categories.end());
    std::vector<int> moving; // in walking order
    std::vector<int> at;     // their positions
    for (size_t i = 0; i < rows.size(); ++i)
        if (wanted.contains(rows[i].category)) {
            moving.push_back(rows[i].category);
            at.push_back(static_cast<int>(i));
        }
    if (moving.empty())
        return {};
    const int n = static_cast<int>(moving.size());
    const int count = static_cast<int>(rows.size());
    const bool together = at.back() - at.front() == n - 1;
    if (up) {
        const int first = at.front();
        if (first == 0 && together)
            return {};
        // Before the aisle above the first: between the two aisles above it, or first of all.
        const SequenceDropPoint point =
            first <= 1 ? SequenceDropPoint::first() : SequenceDropPoint::after(rows[first - 2].category);
        return drop(shop, point, moving, false);
    }
    const int last = at.back();
    if (last == count - 1 && together)
        return {};
    // After the aisle below the last: between it and the next one, or after every aisle.
    const SequenceDropPoint point =
        last + 2 >= count ? SequenceDropPoint::append() : SequenceDropPoint::after(rows[last + 1].category);
    return drop(shop, point, moving, false);
}

void AisleSequence::remove(int shop, const std::vector<int>& categories) {
    engine::Transaction tx(db_);
    engine::Table t(&db_, QStringLiteral("Aisles"));
    t.open();
    for (int category : categories)
        if (t.findKey({intValue(shop), intValue(category)}))
            t.deleteRecord();
    t.close();
    tx.commit();
}

void AisleSequence::renumber(int shop) {
    const std::vector<Aisle> rows = aisles(shop);
    engine::Transaction tx(db_);
    engine::Table t(&db_, QStringLiteral("Aisles"));
    t.open();
    for (size_t p = 0; p < rows.size(); ++p)
        if (t.findKey({intValue(shop), intValue(rows[p].category)})) {
            t.edit();
            t.field(QStringLiteral("Sequence")).setFloat(100.0 + 10.0 * static_cast<double>(p));
            t.post();
        }
    t.close();
    tx.commit();
}
