#include "AisleSequence.h"
#include "AislesTestDatabase.h"

using Drop = SequenceDropPoint;

class AisleSequenceTest : public AislesDatabaseTest {
protected:
    AisleSequenceTest() : store(db) {
        shop = addShop(QStringLiteral("Corner Market"));
        for (const char* name : {"Bakery", "Dairy", "Fruit", "Meat", "Tins"})
            cats.push_back(addCategory(QString::fromLatin1(name)));
    }
    AisleSequence store;
    int shop = 0;
    std::vector<int> cats;
};

TEST_F(AisleSequenceTest, AppendingContinuesInStepsOfTen) {
    store.drop(shop, Drop::append(), {cats[0]}, true);
    store.drop(shop, Drop::append(), {cats[1]}, true);
    store.drop(shop, Drop::append(), {cats[2]}, true);
    EXPECT_EQ(sequences(shop), (std::vector<double>{10, 20, 30}));
    const auto handled = store.drop(shop, Drop::append(), {cats[3], cats[4]}, true);
    EXPECT_EQ(handled, (std::vector<int>{cats[3], cats[4]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{10, 20, 30, 40, 50}));
    // Added aisles are unplaced.
    for (const auto& r : rows(shop))
        EXPECT_EQ(r.rect.left(), -1);
}

TEST_F(AisleSequenceTest, DropsBeforeTheFirstAndBetweenNeighbours) {
    addAisle(shop, cats[0], 10);
    store.drop(shop, Drop::first(), {cats[1], cats[2], cats[3]}, true);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[1], cats[2], cats[3], cats[0]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{2.5, 5, 7.5, 10}));

    AislesDatabaseTest::addAisle(addShop(QStringLiteral("Other")), cats[0], 1); // another shop is untouched
    const int second = addShop(QStringLiteral("Second"));
    addAisle(second, cats[0], 10);
    addAisle(second, cats[1], 20);
    store.drop(second, Drop::after(cats[0]), {cats[2]}, true);
    store.drop(second, Drop::after(cats[0]), {cats[3]}, true);
    EXPECT_EQ(sequences(second), (std::vector<double>{10, 12.5, 15, 20}));
    EXPECT_EQ(order(second), (std::vector<int>{cats[0], cats[3], cats[2], cats[1]}));
}

TEST_F(AisleSequenceTest, DroppingAnAisleOnItsOwnEntryKeepsTheOrder) {
    addAisle(shop, cats[0], 10);
    addAisle(shop, cats[1], 20);
    addAisle(shop, cats[2], 30);
    store.drop(shop, Drop::after(cats[0]), {cats[1]}, false); // entry 1 is the aisle itself
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[1], cats[2]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{10, 15, 30}));
    // Reordering moves the last aisle to the front without touching the others.
    store.drop(shop, Drop::first(), {cats[2]}, false);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[2], cats[0], cats[1]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{5, 10, 15}));
}

TEST_F(AisleSequenceTest, ValuesAreFormedInSinglePrecision) {
    const SequenceSpacing s = SequenceSpacing::between(0.1f, 0.7f, 2);
    const float step = (0.7f - 0.1f) / 3.0f;
    EXPECT_EQ(s.values(2), (std::vector<float>{0.1f + step, (0.1f + step) + step}));
    EXPECT_TRUE(s.distinct(2, 0.7f));
    EXPECT_FALSE(SequenceSpacing::between(10.0f, std::nextafter(10.0f, 11.0f), 1).distinct(1, 10.0f));
}

TEST_F(AisleSequenceTest, AnExhaustedGapIsRenumberedInsteadOfGivingEqualValues) {
    addAisle(shop, cats[0], 10);
    addAisle(shop, cats[1], 20);
    std::vector<int> dropped;
    // Keep dropping into the gap right after the first aisle; the gap halves every time.
    for (int i = 0; i < 40; ++i) {
        const int moved = i % 2 == 0 ? cats[2] : cats[3];
        store.drop(shop, Drop::after(cats[0]), {moved}, i < 2);
        const auto seq = sequences(shop);
        for (size_t k = 1; k < seq.size(); ++k)
            ASSERT_LT(seq[k - 1], seq[k]) << "after drop " << i;
        EXPECT_EQ(order(shop)[1], moved) << "after drop " << i;
    }
    EXPECT_EQ(order(shop).size(), 4u);
}

TEST_F(AisleSequenceTest, ListsAndDeletion) {
    addAisle(shop, cats[3], 10, 20, 20, 120, 40);
    addAisle(shop, cats[1], 20);
    const auto aisles = store.aisleEntries(shop);
    ASSERT_EQ(aisles.size(), 2u);
    EXPECT_EQ(aisles[0].name, QStringLiteral("Meat"));
    EXPECT_TRUE(aisles[0].onFloorPlan);
    EXPECT_FALSE(aisles[1].onFloorPlan);
    QStringList available;
    for (const auto& e : store.availableCategories(shop))
        available << e.name;
    EXPECT_EQ(available, (QStringList{"Bakery", "Fruit", "Tins"}));
    // A search narrows the list, and never brings back a category that has an aisle.
    available.clear();
    for (const auto& e : store.availableCategories(shop, QStringLiteral("T")))
        available << e.name;
    EXPECT_EQ(available, (QStringList{"Fruit", "Tins"}));

    store.remove(shop, {cats[3], cats[1], cats[4]}); // a missing row is skipped
    EXPECT_TRUE(rows(shop).empty());
    EXPECT_EQ(store.availableCategories(shop).size(), 5u);
    EXPECT_TRUE(store.aisleEntries(-1).empty());
}

// Moving aisles a place up or down is a drop before the aisle above or after the aisle below, so only the
// moved aisles get new values; a selection already together at that end stays, a scattered one gathers.
TEST_F(AisleSequenceTest, MovingUpAndDownIsADropNextToTheNeighbour) {
    for (int i = 0; i < 5; ++i)
        addAisle(shop, cats[i], 10 * (i + 1));
    EXPECT_EQ(store.move(shop, {cats[2]}, true), (std::vector<int>{cats[2]}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[2], cats[1], cats[3], cats[4]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{10, 15, 20, 40, 50}));
    EXPECT_EQ(store.move(shop, {cats[2]}, true), (std::vector<int>{cats[2]})); // now to the front
    EXPECT_EQ(sequences(shop), (std::vector<double>{5, 10, 20, 40, 50}));
    EXPECT_TRUE(store.move(shop, {cats[2], cats[0]}, true).empty()); // together at the top already
    // Down past the aisle below the last of them, gathered; the last aisle cannot go further.
    EXPECT_EQ(store.move(shop, {cats[1], cats[2]}, false), (std::vector<int>{cats[2], cats[1]}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[2], cats[1], cats[4]}));
    EXPECT_TRUE(store.move(shop, {cats[4]}, false).empty());
    EXPECT_EQ(store.move(shop, {cats[0]}, false), (std::vector<int>{cats[0]}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[3], cats[0], cats[2], cats[1], cats[4]}));
    // Scattered aisles gather in walking order, even when the first already leads.
    EXPECT_EQ(store.move(shop, {cats[1], cats[3]}, true), (std::vector<int>{cats[3], cats[1]}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[3], cats[1], cats[0], cats[2], cats[4]}));
    EXPECT_TRUE(store.move(shop, {cats[1] + 100}, false).empty()); // no such aisle
}
