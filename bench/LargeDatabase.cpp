#include "LargeDatabase.h"

#include "Database.h"
#include "Helpers.h"
#include "Schema.h"
#include "Table.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using Rng = std::mt19937;

int uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}
bool chance(Rng& rng, double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

// Picks `count` names from the pool, unique without regard to case, in random order; numbered copies of
// the pool's names make up any shortfall.
QStringList uniqueNames(const QStringList& pool, int count, Rng& rng) {
    QStringList shuffled = pool;
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    QStringList out;
    std::unordered_set<std::string> seen;
    for (int round = 1; out.size() < count; ++round) {
        for (const QString& base : shuffled) {
            if (out.size() >= count)
                break;
            const QString name = round == 1 ? base : QStringLiteral("%1 %2").arg(base).arg(round);
            if (seen.insert(lowerAscii(name.toStdString())).second)
                out << name;
        }
    }
    return out;
}

QStringList combine(const QStringList& first, const QStringList& second) {
    QStringList out;
    for (const QString& a : first)
        for (const QString& b : second)
            out << (a.isEmpty() ? b : a + QLatin1Char(' ') + b);
    return out;
}

const QStringList kCategoryBases = {
    QStringLiteral("Dairy"),         QStringLiteral("Cheese"),         QStringLiteral("Yogurt"),
    QStringLiteral("Eggs"),          QStringLiteral("Butter"),         QStringLiteral("Bread"),
    QStringLiteral("Bakery"),        QStringLiteral("Cereals"),        QStringLiteral("Pasta"),
    QStringLiteral("Rice"),          QStringLiteral("Baking"),         QStringLiteral("Sugar"),
    QStringLiteral("Spices"),        QStringLiteral("Herbs"),          QStringLiteral("Sauces"),
    QStringLiteral("Condiments"),    QStringLiteral("Oils & Vinegar"), QStringLiteral("Canned Vegetables"),
    QStringLiteral("Canned Fish"),   QStringLiteral("Canned Fruit"),   QStringLiteral("Soups"),
    QStringLiteral("Snacks"),        QStringLiteral("Crisps"),         QStringLiteral("Nuts"),
    QStringLiteral("Dried Fruit"),   QStringLiteral("Chocolate"),      QStringLiteral("Sweets"),
    QStringLiteral("Biscuits"),      QStringLiteral("Coffee"),         QStringLiteral("Tea"),
    QStringLiteral("Juices"),        QStringLiteral("Soft Drinks"),    QStringLiteral("Water"),
    QStringLiteral("Beer"),          QStringLiteral("Wine"),           QStringLiteral("Spirits"),
    QStringLiteral("Fruit"),         QStringLiteral("Vegetables"),     QStringLiteral("Salads"),
    QStringLiteral("Meat"),          QStringLiteral("Poultry"),        QStringLiteral("Fish"),
    QStringLiteral("Seafood"),       QStringLiteral("Sausages"),       QStringLiteral("Ham & Bacon"),
    QStringLiteral("Ready Meals"),   QStringLiteral("Pizza"),          QStringLiteral("Ice Cream"),
    QStringLiteral("Desserts"),      QStringLiteral("Baby Food"),      QStringLiteral("Pet Food"),
    QStringLiteral("Cleaning"),      QStringLiteral("Laundry"),        QStringLiteral("Paper Goods"),
    QStringLiteral("Personal Care"), QStringLiteral("Toiletries"),     QStringLiteral("Health"),
    QStringLiteral("Household"),     QStringLiteral("Jams & Spreads"), QStringLiteral("Honey"),
};

const QStringList kCategoryPrefixes = {
    QString(),
    QStringLiteral("Frozen"),
    QStringLiteral("Organic"),
    QStringLiteral("Imported"),
    QStringLiteral("Bulk"),
    QStringLiteral("Discount"),
    QStringLiteral("Deli"),
};

const QStringList kAdjectives = {
    QStringLiteral("Whole"),     QStringLiteral("Skimmed"),    QStringLiteral("Low-Fat"),
    QStringLiteral("Organic"),   QStringLiteral("Smoked"),     QStringLiteral("Spicy"),
    QStringLiteral("Sweet"),     QStringLiteral("Salted"),     QStringLiteral("Unsalted"),
    QStringLiteral("Light"),     QStringLiteral("Extra"),      QStringLiteral("Classic"),
    QStringLiteral("Premium"),   QStringLiteral("Mini"),       QStringLiteral("Large"),
    QStringLiteral("Fresh"),     QStringLiteral("Frozen"),     QStringLiteral("Dried"),
    QStringLiteral("Roasted"),   QStringLiteral("Toasted"),    QStringLiteral("Honey"),
    QStringLiteral("Garlic"),    QStringLiteral("Lemon"),      QStringLiteral("Vanilla"),
    QStringLiteral("Chocolate"), QStringLiteral("Strawberry"), QStringLiteral("Herb"),
    QStringLiteral("Chili"),     QStringLiteral("Wholegrain"), QStringLiteral("Gluten-Free"),
    QStringLiteral("Vegan"),     QStringLiteral("Family"),     QStringLiteral("Value"),
    QStringLiteral("Deluxe"),    QStringLiteral("Rustic"),     QStringLiteral("Italian"),
    QStringLiteral("French"),    QStringLiteral("Greek"),      QStringLiteral("Mexican"),
    QStringLiteral("Thai"),      QStringLiteral("Indian"),     QStringLiteral("Country"),
    QStringLiteral("Farmhouse"), QStringLiteral("Golden"),     QStringLiteral("Red"),
    QStringLiteral("Green"),     QStringLiteral("White"),      QStringLiteral("Black"),
    QStringLiteral("Baby"),      QStringLiteral("Jumbo"),      QStringLiteral("Crunchy"),
    QStringLiteral("Creamy"),    QStringLiteral("Mild"),       QStringLiteral("Mature"),
    QStringLiteral("Hot"),       QStringLiteral("Sparkling"),  QStringLiteral("Still"),
    QStringLiteral("Diet"),      QStringLiteral("Original"),   QStringLiteral("Natural"),
};

struct Noun {
    const char* name;
    const char* unit;
};

const Noun kNouns[] = {
    {"Milk", "ml"},
    {"Cream", "ml"},
    {"Yogurt", "g"},
    {"Cheddar", "g"},
    {"Mozzarella", "g"},
    {"Feta", "g"},
    {"Butter", "g"},
    {"Eggs", "pcs"},
    {"Bread", "g"},
    {"Rolls", "pcs"},
    {"Bagels", "pcs"},
    {"Croissants", "pcs"},
    {"Muesli", "g"},
    {"Cornflakes", "g"},
    {"Oats", "g"},
    {"Spaghetti", "g"},
    {"Penne", "g"},
    {"Noodles", "g"},
    {"Rice", "g"},
    {"Couscous", "g"},
    {"Flour", "g"},
    {"Sugar", "g"},
    {"Salt", "g"},
    {"Pepper", "g"},
    {"Paprika", "g"},
    {"Basil", "g"},
    {"Ketchup", "ml"},
    {"Mustard", "g"},
    {"Mayonnaise", "ml"},
    {"Olive Oil", "ml"},
    {"Vinegar", "ml"},
    {"Soy Sauce", "ml"},
    {"Pesto", "g"},
    {"Tomato Sauce", "g"},
    {"Beans", "g"},
    {"Peas", "g"},
    {"Sweetcorn", "g"},
    {"Tuna", "g"},
    {"Sardines", "g"},
    {"Peaches", "g"},
    {"Soup", "ml"},
    {"Crisps", "g"},
    {"Pretzels", "g"},
    {"Peanuts", "g"},
    {"Almonds", "g"},
    {"Raisins", "g"},
    {"Dates", "g"},
    {"Chocolate Bar", "g"},
    {"Truffles", "g"},
    {"Gummies", "g"},
    {"Cookies", "g"},
    {"Crackers", "g"},
    {"Coffee Beans", "g"},
    {"Ground Coffee", "g"},
    {"Tea Bags", "pcs"},
    {"Orange Juice", "ml"},
    {"Apple Juice", "ml"},
    {"Cola", "ml"},
    {"Lemonade", "ml"},
    {"Mineral Water", "ml"},
    {"Lager", "ml"},
    {"Ale", "ml"},
    {"Red Wine", "ml"},
    {"White Wine", "ml"},
    {"Gin", "ml"},
    {"Apples", "kg"},
    {"Bananas", "kg"},
    {"Oranges", "kg"},
    {"Grapes", "g"},
    {"Strawberries", "g"},
    {"Tomatoes", "kg"},
    {"Potatoes", "kg"},
    {"Carrots", "kg"},
    {"Onions", "kg"},
    {"Lettuce", "pcs"},
    {"Cucumber", "pcs"},
    {"Peppers", "pcs"},
    {"Mushrooms", "g"},
    {"Spinach", "g"},
    {"Broccoli", "g"},
    {"Beef Mince", "g"},
    {"Steak", "g"},
    {"Pork Chops", "g"},
    {"Lamb", "g"},
    {"Chicken Breast", "g"},
    {"Turkey", "g"},
    {"Salmon", "g"},
    {"Cod", "g"},
    {"Prawns", "g"},
    {"Mussels", "g"},
    {"Bratwurst", "pcs"},
    {"Salami", "g"},
    {"Bacon", "g"},
    {"Ham", "g"},
    {"Lasagne", "g"},
    {"Curry", "g"},
    {"Pizza", "pcs"},
    {"Ice Cream", "ml"},
    {"Sorbet", "ml"},
    {"Pudding", "g"},
    {"Baby Formula", "g"},
    {"Baby Puree", "g"},
    {"Dog Food", "g"},
    {"Cat Food", "g"},
    {"Dish Soap", "ml"},
    {"Cleaner", "ml"},
    {"Detergent", "l"},
    {"Softener", "l"},
    {"Toilet Paper", "pack"},
    {"Kitchen Roll", "pack"},
    {"Tissues", "pack"},
    {"Shampoo", "ml"},
    {"Toothpaste", "ml"},
    {"Soap", "pcs"},
    {"Vitamins", "pcs"},
    {"Plasters", "pcs"},
    {"Candles", "pcs"},
    {"Batteries", "pcs"},
    {"Jam", "g"},
    {"Peanut Butter", "g"},
    {"Honey", "g"},
    {"Syrup", "ml"},
    {"Nut Spread", "g"},
    {"Marmalade", "g"},
};

const QStringList kBrandFirst = {
    QStringLiteral("Golden"),   QStringLiteral("Green"),  QStringLiteral("Blue"),
    QStringLiteral("Happy"),    QStringLiteral("Sunny"),  QStringLiteral("Royal"),
    QStringLiteral("Nature's"), QStringLiteral("Farm"),   QStringLiteral("Ocean"),
    QStringLiteral("Mountain"), QStringLiteral("Valley"), QStringLiteral("Old"),
    QStringLiteral("Little"),   QStringLiteral("Pure"),   QStringLiteral("Wild"),
    QStringLiteral("Silver"),   QStringLiteral("Red"),    QStringLiteral("Maple"),
    QStringLiteral("Country"),  QStringLiteral("Urban"),
};

const QStringList kBrandSecond = {
    QStringLiteral("Acres"),  QStringLiteral("Harvest"), QStringLiteral("Kitchen"), QStringLiteral("Pantry"),
    QStringLiteral("Fields"), QStringLiteral("Foods"),   QStringLiteral("Table"),   QStringLiteral("Orchard"),
    QStringLiteral("Meadow"), QStringLiteral("Garden"),  QStringLiteral("Co."),     QStringLiteral("Basket"),
};

const QStringList kChains = {
    QStringLiteral("FreshMart"),   QStringLiteral("Green Grocer"), QStringLiteral("ValueSave"),
    QStringLiteral("Corner Shop"), QStringLiteral("MegaFoods"),    QStringLiteral("Harvest Market"),
    QStringLiteral("QuickStop"),   QStringLiteral("Family Foods"), QStringLiteral("Organic Depot"),
    QStringLiteral("Price Club"),
};

const QStringList kDistricts = {
    QStringLiteral("Northside"), QStringLiteral("Southgate"), QStringLiteral("East End"),
    QStringLiteral("West Park"), QStringLiteral("Downtown"),  QStringLiteral("Riverside"),
    QStringLiteral("Hillcrest"), QStringLiteral("Old Town"),
};

const QStringList kStreets = {
    QStringLiteral("Elm"),  QStringLiteral("Oak"),     QStringLiteral("Maple"), QStringLiteral("High"),
    QStringLiteral("Main"), QStringLiteral("Station"), QStringLiteral("Mill"),  QStringLiteral("Church"),
    QStringLiteral("Park"), QStringLiteral("Bridge"),
};

const QStringList kStreetKinds = {QStringLiteral("Street"), QStringLiteral("Road"), QStringLiteral("Avenue"),
                                  QStringLiteral("Lane")};

const QStringList kTowns = {QStringLiteral("Springfield"), QStringLiteral("Riverton"),
                            QStringLiteral("Lakewood"), QStringLiteral("Fairview"),
                            QStringLiteral("Brookfield")};

const std::vector<int>& sizesFor(const QString& unit) {
    static const std::vector<int> grams = {50, 100, 125, 150, 200, 250, 300, 400, 500, 750, 1000};
    static const std::vector<int> millilitres = {200, 250, 330, 500, 750, 1000, 1500, 2000};
    static const std::vector<int> pieces = {1, 2, 4, 6, 10, 12, 24};
    static const std::vector<int> kilos = {1, 2, 5, 10};
    static const std::vector<int> litres = {1, 2, 5};
    static const std::vector<int> packs = {1, 2, 3, 6, 9};
    if (unit == QLatin1String("g"))
        return grams;
    if (unit == QLatin1String("ml"))
        return millilitres;
    if (unit == QLatin1String("kg"))
        return kilos;
    if (unit == QLatin1String("l"))
        return litres;
    if (unit == QLatin1String("pack"))
        return packs;
    return pieces;
}

struct ProductInfo {
    int id = 0;
    QString unit;
    double basePrice = 0; // per smallest size
};

} // namespace

LargeDatabase::Summary LargeDatabase::generate(const QString& folder) const {
    const auto start = std::chrono::steady_clock::now();
    const Options& o = options_;
    Rng rng(o.seed);
    Summary summary;

    CreateDatabaseTables(folder);
    engine::Database db(folder);
    engine::Transaction transaction(db);

    // Categories
    std::vector<int> categoryIds;
    {
        engine::Table t(&db, QStringLiteral("Categories"));
        t.open();
        for (const QString& name :
             uniqueNames(combine(kCategoryPrefixes, kCategoryBases), o.categories, rng)) {
            t.append();
            t.field(QStringLiteral("CatName")).setString(name);
            t.post();
            categoryIds.push_back(t.field(QStringLiteral("CatID")).asInteger());
        }
        summary.categories = static_cast<int>(categoryIds.size());
    }

    // Shops
    std::vector<int> shopIds;
    {
        engine::Table t(&db, QStringLiteral("Shops"));
        t.open();
        for (const QString& name : uniqueNames(combine(kChains, kDistricts), o.shops, rng)) {
            t.append();
            t.field(QStringLiteral("ShopName")).setString(name);
            if (!chance(rng, 0.05))
                t.field(QStringLiteral("Address"))
                    .setString(
                        QStringLiteral("%1 %2 %3, %4")
                            .arg(uniform(rng, 1, 999))
                            .arg(kStreets[uniform(rng, 0, static_cast<int>(kStreets.size()) - 1)],
                                 kStreetKinds[uniform(rng, 0, static_cast<int>(kStreetKinds.size()) - 1)],
                                 kTowns[uniform(rng, 0, static_cast<int>(kTowns.size()) - 1)]));
            if (!chance(rng, 0.1))
                t.field(QStringLiteral("Phone"))
                    .setString(QStringLiteral("(555) %1-%2")
                                   .arg(uniform(rng, 200, 999))
                                   .arg(uniform(rng, 0, 9999), 4, 10, QLatin1Char('0')));
            t.post();
            shopIds.push_back(t.field(QStringLiteral("ShopID")).asInteger());
        }
        summary.shops = static_cast<int>(shopIds.size());
    }

    // Product types
    std::vector<ProductInfo> products;
    {
        QStringList nouns;
        QHash<QString, QString> unitOf;
        for (const Noun& n : kNouns) {
            nouns << QString::fromLatin1(n.name);
            unitOf.insert(QString::fromLatin1(n.name), QString::fromLatin1(n.unit));
        }
        // Remember each name's noun, so the unit follows the kind of goods.
        QStringList pool;
        QHash<QString, QString> nounOf;
        for (const QString& a : kAdjectives)
            for (const QString& n : nouns) {
                const QString name = a + QLatin1Char(' ') + n;
                pool << name;
                nounOf.insert(name, n);
            }
        engine::Table t(&db, QStringLiteral("Products"));
        t.open();
        for (const QString& name : uniqueNames(pool, o.products, rng)) {
            // Numbered copies carry the noun's name before the number.
            const QString base = nounOf.contains(name) ? name : name.section(QLatin1Char(' '), 0, -2);
            const QString unit = unitOf.value(nounOf.value(base), QStringLiteral("pcs"));
            t.append();
            t.field(QStringLiteral("ProdName")).setString(name);
            if (!chance(rng, 0.03))
                t.field(QStringLiteral("UnitOfMeasure")).setString(unit);
            t.field(QStringLiteral("Category"))
                .setInteger(categoryIds[static_cast<size_t>(uniform(rng, 0, summary.categories - 1))]);
            t.post();
            ProductInfo info;
            info.id = t.field(QStringLiteral("ProdID")).asInteger();
            info.unit = unit;
            info.basePrice = std::uniform_real_distribution<double>(0.29, 12.0)(rng);
            products.push_back(info);
        }
        summary.products = static_cast<int>(products.size());
    }

    // Items: the key (Product, Brand, Size, Shop) never repeats, brands compared without regard to case.
    {
        const QStringList brands = uniqueNames(combine(kBrandFirst, kBrandSecond), 200, rng);
        std::unordered_set<std::string> keys;
        keys.reserve(static_cast<size_t>(o.items) * 2);
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        t.disableControls();
        engine::Field product = t.field(QStringLiteral("Product"));
        engine::Field brand = t.field(QStringLiteral("Brand"));
        engine::Field size = t.field(QStringLiteral("Size"));
        engine::Field price = t.field(QStringLiteral("Price"));
        engine::Field shop = t.field(QStringLiteral("Shop"));
        engine::Field quantity = t.field(QStringLiteral("Quantity"));
        for (int i = 0; i < o.items; ++i) {
            for (int attempt = 0;; ++attempt) {
                if (attempt == 1000)
                    throw std::runtime_error("too few distinct item keys for the number of items asked for");
                const ProductInfo& p = products[static_cast<size_t>(uniform(rng, 0, summary.products - 1))];
                const int shopId = shopIds[static_cast<size_t>(uniform(rng, 0, summary.shops - 1))];
                const bool noBrand = chance(rng, 0.10);
                const QString brandName =
                    noBrand ? QString() : brands[uniform(rng, 0, static_cast<int>(brands.size()) - 1)];
                const std::vector<int>& sizes = sizesFor(p.unit);
                const bool noSize = chance(rng, 0.15);
                const int sizeIndex = uniform(rng, 0, static_cast<int>(sizes.size()) - 1);
                const std::string key = std::to_string(p.id) + '|' + lowerAscii(brandName.toStdString()) +
                                        '|' + (noSize ? std::string() : std::to_string(sizes[sizeIndex])) +
                                        '|' + std::to_string(shopId);
                if (!keys.insert(key).second)
                    continue;
                // Larger packs cost more, a little less than in proportion; shops differ by up to a quarter.
                const double factor = noSize ? 1.0 : 1.0 + 0.6 * sizeIndex;
                const double priceValue =
                    p.basePrice * factor * std::uniform_real_distribution<double>(0.85, 1.25)(rng);
                const bool onList = chance(rng, 0.15);
                t.append();
                product.setInteger(p.id);
                if (!noBrand)
                    brand.setString(brandName);
                if (!noSize)
                    size.setInteger(sizes[static_cast<size_t>(sizeIndex)]);
                price.setFloat(RoundPrice(priceValue));
                shop.setInteger(shopId);
                if (onList)
                    quantity.setInteger(uniform(rng, 1, 5));
                t.post();
                summary.itemsWithoutBrand += noBrand ? 1 : 0;
                summary.itemsWithoutSize += noSize ? 1 : 0;
                summary.itemsOnList += onList ? 1 : 0;
                ++summary.items;
                break;
            }
        }
        t.enableControls();
    }

    // Aisles: each shop walks a random selection of the categories, numbered 100, 110, ...; most of them
    // have a rectangle on the floor plan's 20-pixel grid, some are not placed (RectLeft -1).
    {
        engine::Table t(&db, QStringLiteral("Aisles"));
        t.open();
        t.disableControls();
        engine::Field category = t.field(QStringLiteral("Category"));
        engine::Field shop = t.field(QStringLiteral("Shop"));
        engine::Field sequence = t.field(QStringLiteral("Sequence"));
        engine::Field left = t.field(QStringLiteral("RectLeft"));
        engine::Field top = t.field(QStringLiteral("RectTop"));
        engine::Field right = t.field(QStringLiteral("RectRight"));
        engine::Field bottom = t.field(QStringLiteral("RectBottom"));
        const int most = std::min(o.maxAislesPerShop, summary.categories);
        const int least = std::min(o.minAislesPerShop, most);
        std::vector<int> order = categoryIds;
        for (int shopId : shopIds) {
            const int count = uniform(rng, least, most);
            std::shuffle(order.begin(), order.end(), rng);
            for (int i = 0; i < count; ++i) {
                t.append();
                category.setInteger(order[static_cast<size_t>(i)]);
                shop.setInteger(shopId);
                sequence.setFloat(100.0 + 10.0 * i);
                if (chance(rng, 0.08)) {
                    left.setInteger(-1);
                    top.setInteger(0);
                    right.setInteger(0);
                    bottom.setInteger(0);
                } else {
                    const int x = 20 + (i % 10) * 100, y = 20 + (i / 10) * 80;
                    left.setInteger(x);
                    top.setInteger(y);
                    right.setInteger(x + 20 * uniform(rng, 2, 4));
                    bottom.setInteger(y + 20 * uniform(rng, 1, 3));
                }
                t.post();
                ++summary.aisles;
            }
        }
        t.enableControls();
    }

    transaction.commit();
    summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return summary;
}

std::int64_t LargeDatabase::databaseSize(const QString& folder) {
    std::int64_t total = 0;
    const QDir dir(folder);
    for (const QFileInfo& f :
         dir.entryInfoList({QStringLiteral("*.dat"), QStringLiteral("*.idx")}, QDir::Files))
        total += f.size();
    return total;
}
