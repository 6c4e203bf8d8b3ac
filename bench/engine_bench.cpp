// Measures the table layer against the same work done directly with SQLite, on one generated database.

#include "LargeDatabase.h"
#include "RawConnection.h"

#include "Database.h"
#include "Query.h"
#include "Table.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using engine::Value;

// What a run read, so that both sides can be shown to have done the same work.
struct Checksum {
    std::uint64_t rows = 0;
    std::uint64_t integers = 0;
    std::uint64_t textBytes = 0;
    std::uint64_t order = 0; // depends on the order of the first column's values
    double reals = 0;

    void addRow(std::int64_t first) {
        ++rows;
        order = order * 1000003u + static_cast<std::uint64_t>(first);
    }
    bool sameAs(const Checksum& o) const {
        return rows == o.rows && integers == o.integers && textBytes == o.textBytes && order == o.order &&
               std::fabs(reals - o.reals) <= 1e-9 * std::max(1.0, std::fabs(reals));
    }
};

struct Options {
    QString folder;
    int items = 100000;
    int repeat = 5;
    double budgetSeconds = 25; // per operation; fewer repetitions when one run is slow
    QString only;              // letters of the operations to run; all when empty

    bool runs(char operation) const { return only.isEmpty() || only.contains(QLatin1Char(operation)); }
};

struct Result {
    QString label;
    double target = 0; // 0: shown for information, no target
    double oursMs = 0;
    double rawMs = 0;
    double oursCpuMs = 0; // processor time, less disturbed than wall time when other work shares the machine
    double rawCpuMs = 0;
    int runs = 0;
};

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

// Best of several runs, ours and raw taking turns so that both meet the same machine state.
Result measure(const QString& label, double target, const Options& options,
               const std::function<Checksum()>& ours, const std::function<Checksum()>& raw) {
    Result r{label, target, 1e300, 1e300, 1e300, 1e300, 0};
    double spent = 0;
    std::optional<Checksum> expected;
    while (r.runs < options.repeat && (r.runs == 0 || spent < options.budgetSeconds * 1000)) {
        auto t0 = std::chrono::steady_clock::now();
        double c0 = cpuMs();
        const Checksum a = ours();
        const double oursMs = elapsedMs(t0);
        const double oursCpu = cpuMs() - c0;
        t0 = std::chrono::steady_clock::now();
        c0 = cpuMs();
        const Checksum b = raw();
        const double rawMs = elapsedMs(t0);
        const double rawCpu = cpuMs() - c0;
        if (!a.sameAs(b) || (expected && !a.sameAs(*expected))) {
            // Thrown rather than exiting, so the connections close and the scratch files go.
            char message[512];
            std::snprintf(
                message, sizeof message,
                "%s: the two sides read different data: rows %llu/%llu, integers %llu/%llu, text bytes "
                "%llu/%llu, order %llu/%llu, reals %.17g/%.17g\n",
                qPrintable(label), static_cast<unsigned long long>(a.rows),
                static_cast<unsigned long long>(b.rows), static_cast<unsigned long long>(a.integers),
                static_cast<unsigned long long>(b.integers), static_cast<unsigned long long>(a.textBytes),
                static_cast<unsigned long long>(b.textBytes), static_cast<unsigned long long>(a.order),
                static_cast<unsigned long long>(b.order), a.reals, b.reals);
            throw std::runtime_error(message);
        }
        expected = a;
        r.oursMs = std::min(r.oursMs, oursMs);
        r.rawMs = std::min(r.rawMs, rawMs);
        r.oursCpuMs = std::min(r.oursCpuMs, oursCpu);
        r.rawCpuMs = std::min(r.rawCpuMs, rawCpu);
        spent += oursMs + rawMs;
        ++r.runs;
    }
    return r;
}

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

struct ItemKey {
    std::int64_t product = 0;
    std::optional<std::string> brand;
    std::optional<std::int64_t> size;
    std::int64_t shop = 0;
};

// Adds one row of a statement to the checksum, by the stored type of each column from `first` on.
void readRawRow(sqlite3_stmt* s, int first, Checksum& c) {
    const int n = sqlite3_column_count(s);
    for (int i = first; i < n; ++i) {
        switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER:
            c.integers += static_cast<std::uint64_t>(sqlite3_column_int64(s, i));
            break;
        case SQLITE_FLOAT:
            c.reals += sqlite3_column_double(s, i);
            break;
        case SQLITE_TEXT:
            sqlite3_column_text(s, i);
            c.textBytes += static_cast<std::uint64_t>(sqlite3_column_bytes(s, i));
            break;
        default:
            break;
        }
    }
}

// Adds the current record of a table or query object to the checksum, reading each field as its type.
void readField(const engine::Field& f, engine::FieldType type, Checksum& c) {
    switch (type) {
    case engine::FieldType::AutoInc:
    case engine::FieldType::Integer:
        c.integers += static_cast<std::uint64_t>(static_cast<std::int64_t>(f.asInteger()));
        break;
    case engine::FieldType::Float:
        c.reals += f.asFloat();
        break;
    case engine::FieldType::String:
        c.textBytes += f.asUtf8().size();
        break;
    }
}

// The whole current record: by name on each row as page code writes it, or through handles taken once.
void readRecord(engine::DataSet& ds, const QStringList& names, std::vector<engine::Field>* handles,
                Checksum& c) {
    for (int i = 0; i < names.size(); ++i) {
        const engine::FieldType type = ds.column(i).type;
        if (handles)
            readField((*handles)[static_cast<size_t>(i)], type, c);
        else
            readField(ds.field(names[i]), type, c);
    }
}

QStringList columnNames(const engine::DataSet& ds) {
    QStringList names;
    for (int i = 0; i < ds.fieldCount(); ++i)
        names << ds.column(i).name;
    return names;
}

std::vector<engine::Field> fieldHandles(engine::DataSet& ds) {
    std::vector<engine::Field> handles;
    for (int i = 0; i < ds.fieldCount(); ++i)
        handles.push_back(ds.field(i));
    return handles;
}

Checksum walkOurs(engine::DataSet& ds, bool byName) {
    Checksum c;
    const QStringList names = columnNames(ds);
    std::vector<engine::Field> handles = fieldHandles(ds);
    const engine::Field first = ds.field(0);
    ds.first();
    while (!ds.eof()) {
        c.addRow(first.asInteger());
        readRecord(ds, names, byName ? nullptr : &handles, c);
        ds.next();
    }
    return c;
}

// The first column gives the order; the fields start at firstField (1 when the first column is an extra
// rowid).
Checksum walkRaw(RawStatement& s, int firstField) {
    Checksum c;
    while (s.step()) {
        c.addRow(sqlite3_column_int64(s.handle(), 0));
        readRawRow(s.handle(), firstField, c);
    }
    s.reset();
    return c;
}

void printPlan(RawConnection& raw, const std::string& sql) {
    RawStatement plan(raw, ("EXPLAIN QUERY PLAN " + sql).c_str());
    while (plan.step())
        std::printf("      %s\n", reinterpret_cast<const char*>(sqlite3_column_text(plan.handle(), 3)));
}

Options parseArguments(const QStringList& args) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--folder") && hasValue) {
            o.folder = args[++i];
        } else if (a == QLatin1String("--items") && hasValue) {
            o.items = args[++i].toInt();
        } else if (a == QLatin1String("--repeat") && hasValue) {
            o.repeat = std::max(1, args[++i].toInt());
        } else if (a == QLatin1String("--only") && hasValue) {
            o.only = args[++i];
        } else {
            std::fprintf(
                stderr,
                "usage: engine_bench [--folder DIR] [--items N] [--repeat N] [--only abcd]\n"
                "  --folder DIR  use the database in DIR, generating it there when DIR has no tables\n"
                "  --items N     items to generate (default 100000)\n"
                "  --repeat N    runs per measurement, the best counts (default 5)\n"
                "  --only abcd   run only the operations named by these letters (for profiling)\n");
            std::exit(a == QLatin1String("--help") ? 0 : 1);
        }
    }
    if (o.items < 1) {
        std::fprintf(stderr, "--items must be a positive number\n");
        std::exit(1);
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options = parseArguments(app.arguments());

    std::optional<QTemporaryDir> scratch;
    if (options.folder.isEmpty()) {
        scratch.emplace();
        if (!scratch->isValid()) {
            std::fprintf(stderr, "cannot create a temporary folder\n");
            return 1;
        }
        options.folder = scratch->path();
    }
    QDir().mkpath(options.folder);

    try {
        const bool reuse = QFileInfo::exists(QDir(options.folder).filePath(QStringLiteral("Items.dat")));
        if (reuse) {
            std::printf("Database: reusing %s\n", qPrintable(options.folder));
        } else {
            LargeDatabase::Options generatorOptions;
            generatorOptions.items = options.items;
            const LargeDatabase::Summary s = LargeDatabase(generatorOptions).generate(options.folder);
            std::printf("Database: generated in %.2f s: %d shops, %d categories, %d product types, %d items "
                        "(%d without brand, %d without size, %d on the list), %d aisles\n",
                        s.seconds, s.shops, s.categories, s.products, s.items, s.itemsWithoutBrand,
                        s.itemsWithoutSize, s.itemsOnList, s.aisles);
        }
        std::printf("Database size: %.1f MB (.dat and .idx files)\n",
                    static_cast<double>(LargeDatabase::databaseSize(options.folder)) / (1024.0 * 1024.0));

        engine::Database db(options.folder);
        db.open();
        RawConnection raw(options.folder);

        const long long itemCount = raw.scalar("SELECT COUNT(*) FROM \"Items\".\"Items\"");
        const long long repeatedKeys = raw.scalar(
            "SELECT COUNT(*) FROM (SELECT 1 FROM \"Items\".\"Items\" GROUP BY \"Product\", \"Brand\" "
            "COLLATE \"G0_CI\", \"Size\", \"Shop\" HAVING COUNT(*) > 1)");
        std::printf("Items: %lld, repeated IdxItem keys: %lld\n", itemCount, repeatedKeys);
        if (repeatedKeys != 0)
            throw std::runtime_error("the Items key repeats");

        std::vector<Result> results;
        std::vector<std::pair<QString, std::string>> plans;

        if (options.runs('a')) {
            // a. Walk Items in IdxItem order reading every field, the open included.
            const std::string walkSql =
                "SELECT rowid, * FROM \"Items\".\"Items\" ORDER BY \"Product\", \"Brand\" "
                "COLLATE \"G0_CI\", \"Size\", \"Shop\", rowid";
            plans.emplace_back(QStringLiteral("a"), walkSql);
            const auto walkItemsOurs = [&](bool byName) {
                engine::Table t(&db, QStringLiteral("Items"));
                t.setIndexName(QStringLiteral("IdxItem"));
                t.open();
                return walkOurs(t, byName);
            };
            const auto walkItemsRaw = [&]() {
                RawStatement s(raw, walkSql.c_str());
                return walkRaw(s, 1);
            };
            results.push_back(measure(
                QStringLiteral("a  walk Items by IdxItem, fields by name"), 1.1, options,
                [&] { return walkItemsOurs(true); }, walkItemsRaw));
            results.push_back(measure(
                QStringLiteral("a' walk Items by IdxItem, field handles"), 0, options,
                [&] { return walkItemsOurs(false); }, walkItemsRaw));
        }

        if (options.runs('b')) {
            // b. Exact key search on IdxItem for existing keys, a third of the brands in other letter case.
            std::vector<ItemKey> keys;
            {
                RawStatement all(
                    raw, "SELECT \"Product\", \"Brand\", \"Size\", \"Shop\" FROM \"Items\".\"Items\"");
                std::vector<ItemKey> every;
                while (all.step()) {
                    sqlite3_stmt* s = all.handle();
                    ItemKey k;
                    k.product = sqlite3_column_int64(s, 0);
                    if (sqlite3_column_type(s, 1) != SQLITE_NULL)
                        k.brand = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
                    if (sqlite3_column_type(s, 2) != SQLITE_NULL)
                        k.size = sqlite3_column_int64(s, 2);
                    k.shop = sqlite3_column_int64(s, 3);
                    every.push_back(std::move(k));
                }
                std::mt19937 rng(7);
                std::uniform_int_distribution<size_t> pick(0, every.size() - 1);
                for (int i = 0; i < 10000; ++i) {
                    ItemKey k = every[pick(rng)];
                    if (i % 3 == 0 && k.brand)
                        k.brand = upperAscii(*k.brand);
                    keys.push_back(std::move(k));
                }
            }
            const std::string lookupSql =
                "SELECT rowid FROM \"Items\".\"Items\" WHERE \"Product\" = ?1 AND \"Brand\" "
                "IS ?2 COLLATE \"G0_CI\" AND \"Size\" IS ?3 AND \"Shop\" = ?4";
            plans.emplace_back(QStringLiteral("b"), lookupSql);
            {
                engine::Table t(&db, QStringLiteral("Items"));
                t.setIndexName(QStringLiteral("IdxItem"));
                t.open();
                RawStatement lookup(raw, lookupSql.c_str());
                results.push_back(measure(
                    QStringLiteral("b  10,000 findKey on IdxItem"), 2.0, options,
                    [&] {
                        Checksum c;
                        for (const ItemKey& k : keys) {
                            if (t.findKey({Value{k.product}, k.brand ? Value{*k.brand} : Value{},
                                           k.size ? Value{*k.size} : Value{}, Value{k.shop}}))
                                c.addRow(t.field(QStringLiteral("ItemID")).asInteger());
                        }
                        if (c.rows != keys.size())
                            throw std::runtime_error("findKey missed an existing key");
                        return c;
                    },
                    [&] {
                        Checksum c;
                        sqlite3_stmt* s = lookup.handle();
                        for (const ItemKey& k : keys) {
                            sqlite3_bind_int64(s, 1, k.product);
                            if (k.brand)
                                sqlite3_bind_text(s, 2, k.brand->data(), static_cast<int>(k.brand->size()),
                                                  SQLITE_STATIC);
                            else
                                sqlite3_bind_null(s, 2);
                            if (k.size)
                                sqlite3_bind_int64(s, 3, *k.size);
                            else
                                sqlite3_bind_null(s, 3);
                            sqlite3_bind_int64(s, 4, k.shop);
                            if (lookup.step())
                                c.addRow(sqlite3_column_int64(s, 0));
                            lookup.reset();
                        }
                        return c;
                    }));
            }
        }

        if (options.runs('c')) {
            // c. Edit and post one field on every row in one transaction: UndoQty := Quantity.
            results.push_back(measure(
                QStringLiteral("c  edit+post UndoQty on every item"), 1.3, options,
                [&] {
                    Checksum c;
                    engine::Transaction transaction(db);
                    engine::Table t(&db, QStringLiteral("Items"));
                    t.open();
                    t.first();
                    while (!t.eof()) {
                        c.addRow(t.field(QStringLiteral("ItemID")).asInteger());
                        t.edit();
                        if (t.field(QStringLiteral("Quantity")).isNull()) {
                            t.field(QStringLiteral("UndoQty")).clear();
                        } else {
                            const int q = t.field(QStringLiteral("Quantity")).asInteger();
                            t.field(QStringLiteral("UndoQty")).setInteger(q);
                            c.integers += static_cast<std::uint64_t>(q);
                        }
                        t.post();
                        t.next();
                    }
                    transaction.commit();
                    return c;
                },
                [&] {
                    Checksum c;
                    raw.exec("BEGIN IMMEDIATE");
                    RawStatement select(raw,
                                        "SELECT rowid, \"Quantity\" FROM \"Items\".\"Items\" ORDER BY rowid");
                    RawStatement update(raw,
                                        "UPDATE \"Items\".\"Items\" SET \"UndoQty\" = ?1 WHERE rowid = ?2");
                    sqlite3_stmt* s = select.handle();
                    sqlite3_stmt* u = update.handle();
                    while (select.step()) {
                        const std::int64_t rowid = sqlite3_column_int64(s, 0);
                        c.addRow(rowid);
                        if (sqlite3_column_type(s, 1) == SQLITE_NULL) {
                            sqlite3_bind_null(u, 1);
                        } else {
                            const std::int64_t q = sqlite3_column_int64(s, 1);
                            sqlite3_bind_int64(u, 1, q);
                            c.integers += static_cast<std::uint64_t>(q);
                        }
                        sqlite3_bind_int64(u, 2, rowid);
                        update.step();
                        update.reset();
                    }
                    select.reset();
                    raw.exec("COMMIT");
                    return c;
                }));
            if (raw.scalar(
                    "SELECT COUNT(*) FROM \"Items\".\"Items\" WHERE \"UndoQty\" IS NOT \"Quantity\"") != 0)
                throw std::runtime_error("UndoQty differs from Quantity after the edit runs");

            // c'. Posts one at a time, each committed at once as an edit on a page is: what the durable
            // commit costs (the layer syncs the folder after each commit, the raw side runs SQLite's
            // default).
            int round = 0;
            results.push_back(measure(
                QStringLiteral("c' 100 posts, each its own commit"), 0, options,
                [&] {
                    Checksum c;
                    ++round;
                    engine::Table t(&db, QStringLiteral("Items"));
                    t.open();
                    t.first();
                    for (int i = 0; i < 100 && !t.eof(); ++i) {
                        c.addRow(t.field(QStringLiteral("ItemID")).asInteger());
                        t.edit();
                        t.field(QStringLiteral("UndoQty")).setInteger(2 * round);
                        t.post();
                        t.next();
                    }
                    return c;
                },
                [&] {
                    Checksum c;
                    std::vector<std::int64_t> ids;
                    {
                        RawStatement select(raw,
                                            "SELECT rowid FROM \"Items\".\"Items\" ORDER BY rowid LIMIT 100");
                        while (select.step())
                            ids.push_back(sqlite3_column_int64(select.handle(), 0));
                    }
                    RawStatement update(raw,
                                        "UPDATE \"Items\".\"Items\" SET \"UndoQty\" = ?1 WHERE rowid = ?2");
                    for (const std::int64_t id : ids) {
                        c.addRow(id);
                        // Another value than ours wrote: SQLite writes nothing for a row that stays the same.
                        sqlite3_bind_int64(update.handle(), 1, 2 * round + 1);
                        sqlite3_bind_int64(update.handle(), 2, id);
                        update.step();
                        update.reset();
                    }
                    return c;
                }));
        }

        if (options.runs('d')) {
            // d. The shopping-list join over all shops, opened and walked.
            QStringList shopIds;
            {
                RawStatement s(raw, "SELECT \"ShopID\" FROM \"Shops\".\"Shops\" ORDER BY \"ShopID\"");
                while (s.step())
                    shopIds << QString::number(sqlite3_column_int64(s.handle(), 0));
            }
            const QStringList joinLines = {
                QStringLiteral("SELECT * FROM Items I, Products P, Categories C, Shops S"),
                QStringLiteral("WHERE I.Product = P.ProdID AND P.Category = C.CatID AND I.Shop = S.ShopID"),
                QStringLiteral("AND I.Shop IN (%1)").arg(shopIds.join(QLatin1Char(','))),
                QStringLiteral("ORDER BY C.CatName, P.ProdName"),
            };
            const std::string joinSql = joinLines.join(QLatin1Char('\n')).toStdString();
            plans.emplace_back(QStringLiteral("d"), joinSql);
            const auto joinOurs = [&](bool byName) {
                engine::Query q(&db);
                q.setSql(joinLines);
                q.open();
                return walkOurs(q, byName);
            };
            const auto joinRaw = [&] {
                RawStatement s(raw, joinSql.c_str());
                return walkRaw(s, 0);
            };
            results.push_back(measure(
                QStringLiteral("d  shopping-list join, fields by name"), 1.1, options,
                [&] { return joinOurs(true); }, joinRaw));
            results.push_back(measure(
                QStringLiteral("d' shopping-list join, field handles"), 0, options,
                [&] { return joinOurs(false); }, joinRaw));
        }

        std::printf("\n%-44s %9s %9s %7s %9s %7s %7s %5s\n", "Operation", "ours ms", "raw ms", "ratio",
                    "cpu ratio", "target", "result", "runs");
        bool allPass = true;
        for (const Result& r : results) {
            const double ratio = r.oursMs / r.rawMs;
            // Processor time decides: wall time follows whatever else the machine runs.
            const double cpuRatio = r.oursCpuMs / r.rawCpuMs;
            const bool pass = r.target == 0 || cpuRatio <= r.target;
            allPass = allPass && pass;
            const QString target =
                r.target == 0 ? QStringLiteral("-") : QStringLiteral("<=%1").arg(r.target, 0, 'f', 1);
            std::printf("%-44s %9.1f %9.1f %7.2f %9.2f %7s %7s %5d\n", qPrintable(r.label), r.oursMs, r.rawMs,
                        ratio, cpuRatio, qPrintable(target),
                        r.target == 0 ? "info" : (pass ? "PASS" : "FAIL"), r.runs);
        }
        std::printf(
            "\nBest of up to %d runs each; ours and raw take turns. \"cpu ratio\" compares the best "
            "processor\n"
            "times, which other load on the machine disturbs less; the targets apply to it. Rows marked ' "
            "read the fields\n"
            "through Field handles taken once after opening instead of by name on every row (no target).\n",
            options.repeat);
        std::printf("\nRaw SQLite query plans:\n");
        for (const auto& [label, sql] : plans) {
            std::printf("  %s:\n", qPrintable(label));
            printPlan(raw, sql);
        }
        return allPass ? 0 : 3;
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "table layer error %d: %s\n", e.code(), qPrintable(e.message()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
    }
    return 1;
}
