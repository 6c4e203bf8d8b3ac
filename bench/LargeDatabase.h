#pragma once

#include <QString>

#include <cstdint>

// Writes a large, realistic Grocelle database through the table layer, for benchmarks. The same options and
// seed always give the same rows, so runs on different machines or builds compare like with like.
class LargeDatabase {
public:
    struct Options {
        int shops = 40;
        int categories = 300;
        int products = 6000;
        int items = 100000;
        int minAislesPerShop = 40;
        int maxAislesPerShop = 120;
        std::uint32_t seed = 20240611;
    };

    // What was written.
    struct Summary {
        int shops = 0;
        int categories = 0;
        int products = 0;
        int items = 0;
        int aisles = 0;
        int itemsWithoutBrand = 0;
        int itemsWithoutSize = 0;
        int itemsOnList = 0; // Quantity set
        double seconds = 0;
    };

    LargeDatabase() = default;
    explicit LargeDatabase(const Options& options) : options_(options) {}

    const Options& options() const { return options_; }

    // Creates the five tables in the folder (which must exist and hold no tables yet) and fills them, all
    // appends in one transaction.
    Summary generate(const QString& folder) const;

    // Bytes of the table files (.dat and .idx) in the folder.
    static std::int64_t databaseSize(const QString& folder);

private:
    Options options_;
};
