// Measures the import of a version-1 data file with 30,000 items (200 categories, 1,500 product types,
// 40 shops with an aisle per category) into a fresh database: reading the file, and the whole import.

#include "V1FileWriter.h"
#include "V1Importer.h"

#include "Database.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

V1File generated(int items) {
    V1File f;
    const int categories = 200, products = 1500, shops = 40;
    for (int c = 0; c < categories; ++c)
        f.categories << QStringLiteral("Category %1").arg(c);
    for (int p = 0; p < products; ++p)
        f.products.append(
            {QStringLiteral("Product %1").arg(p), QStringLiteral("kg"), std::int16_t(p % categories)});
    for (int i = 0; i < items; ++i)
        f.items.append({std::int16_t(i % products), QStringLiteral("Brand %1").arg(i / (products * shops)),
                        float(100 + i % 7), float(i % 997) / 10.0f, std::int16_t((i / products) % shops)});
    for (int s = 0; s < shops; ++s) {
        V1Shop shop{QStringLiteral("Shop %1").arg(s), {}};
        for (int c = 0; c < categories; ++c)
            shop.aisles.append({c * 10, 0, c * 10 + 8, 40, std::int16_t(c)});
        f.shops << shop;
    }
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shopping.dat"));
    V1FileWriter().file(generated(30000), 4).save(path);
    const QString folder = dir.filePath(QStringLiteral("db"));
    QDir().mkpath(folder);
    CreateDatabaseTables(folder);

    auto start = Clock::now();
    const V1File f = V1Reader::readFile(path);
    std::printf("read 30,000-item file: %.3f s\n", secondsSince(start));

    engine::Database db(folder);
    start = Clock::now();
    const V1ImportCounts counts = V1Importer(db).importFile(path);
    std::printf("import (%d shops, %d categories, %d product types, %d items): %.3f s\n", counts.shops,
                counts.categories, counts.products, counts.items, secondsSince(start));
    return f.items.size() == counts.items ? 0 : 1;
}
