#include "ListPageFixture.h"

#include "HoverSpeedButton.h"
#include "Query.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"
#include "ThemedDBGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include <algorithm>

namespace {

// More items than a query keeps rows of, each with a product of its own so that every order is fixed:
// product "P<nnnn>" in category "C<nn>" (n % 30), in shop A when n is even, B when odd, quantity 1 + n % 5.
class LargeListPage : public ListPageFixture {
protected:
    static constexpr int kItems = 3000;

    struct Item {
        int id = 0;
        QString product, category;
        int shop = 0;
    };

    void SetUp() override {
        ListPageFixture::SetUp();
        shopA = data().addShop(QStringLiteral("A"));
        shopB = data().addShop(QStringLiteral("B"));
        engine::Database& db = data().db;
        engine::Transaction tx(db);
        for (int c = 0; c < 30; ++c)
            db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES (?1)"),
                       {engine::textValue(QStringLiteral("C%1").arg(c, 2, 10, QLatin1Char('0')))});
        for (int n = 0; n < kItems; ++n) {
            Item item{n + 1, QStringLiteral("P%1").arg(n, 4, 10, QLatin1Char('0')),
                      QStringLiteral("C%1").arg(n % 30, 2, 10, QLatin1Char('0')), n % 2 ? shopB : shopA};
            db.execute(QStringLiteral(
                           "INSERT INTO Products (ProdName, UnitOfMeasure, Category) VALUES (?1, 'g', ?2)"),
                       {engine::textValue(item.product), engine::Value{std::int64_t{n % 30 + 1}}});
            db.execute(
                QStringLiteral("INSERT INTO Items (Product, Size, Price, Shop, Quantity) VALUES (?1, 1, ?2, "
                               "?3, ?4)"),
                {engine::Value{std::int64_t{n + 1}}, engine::Value{(n % 100) / 4.0},
                 engine::Value{std::int64_t{item.shop}}, engine::Value{std::int64_t{1 + n % 5}}});
            items.push_back(item);
        }
        tx.commit();
    }

    // The products the grid should show, in order, for these shops, sorted by category or by product.
    QStringList expected(const QList<int>& shops, bool byProduct) const {
        std::vector<Item> shown;
        for (const Item& i : items)
            if (shops.contains(i.shop))
                shown.push_back(i);
        std::sort(shown.begin(), shown.end(), [&](const Item& a, const Item& b) {
            return byProduct ? a.product < b.product
                             : std::tie(a.category, a.product) < std::tie(b.category, b.product);
        });
        QStringList names;
        for (const Item& i : shown)
            names << i.product;
        return names;
    }

    QString shownProduct(int row) const {
        return page_->grid()->model()->index(row, ShoppingQuery::ProductColumn).data().toString();
    }

    // The rows at the top, the middle and the end, and the first row of the screen after scrolling there.
    void expectRows(const QStringList& names, const char* when) {
        ui::ThemedDBGrid* grid = page_->grid();
        ASSERT_EQ(grid->model()->rowCount(), names.size()) << when;
        for (int row : {0, static_cast<int>(names.size()) / 2, static_cast<int>(names.size()) - 1})
            EXPECT_EQ(shownProduct(row), names[row]) << when << ", row " << row;
        grid->scrollToBottom();
        QApplication::processEvents();
        const int top = grid->rowAt(0);
        ASSERT_GT(top, 0) << when;
        EXPECT_EQ(shownProduct(top), names[top]) << when << ", screen top after scrolling";
        grid->scrollToTop();
    }

    int shopA = 0, shopB = 0;
    std::vector<Item> items;
};

} // namespace

TEST_F(LargeListPage, TheGridShowsTheRightRowsAndChangesThemInPlace) {
    ShoppingListPage& p = start();
    p.AllShopsBtn->click();
    expectRows(expected({shopA, shopB}, false), "all shops");
    emit p.grid()->titleClick(ShoppingQuery::ProductColumn);
    expectRows(expected({shopA, shopB}, true), "sorted by product");
    selectShops({shopB});
    const QStringList inB = expected({shopB}, true);
    expectRows(inB, "one shop");
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: %1").arg(kItems / 2));

    // The current row follows the object's record both ways, and is the row drawn bold.
    QSignalSpy current(p.grid()->gridModel(), &ui::DataSetModel::currentRowChanged);
    query().moveTo(1000);
    EXPECT_EQ(p.grid()->currentIndex().row(), 1000);
    ASSERT_FALSE(current.isEmpty());
    EXPECT_EQ(current.last().at(0).toInt(), 1000);

    // A quantity typed in the middle of the list changes that row alone, and the totals with it.
    const int item = items[static_cast<size_t>(inB[700].mid(1).toInt())].id;
    QSignalSpy reset(p.grid()->model(), &QAbstractItemModel::modelReset);
    QSignalSpy changed(p.grid()->model(), &QAbstractItemModel::dataChanged);
    ASSERT_TRUE(goToItem(item));
    typeAndEnter(QStringLiteral("0"));
    EXPECT_EQ(reset.count(), 0);
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_EQ(p.grid()->model()->index(700, ShoppingQuery::QtyColumn).data().toString(), QString());
    EXPECT_EQ(shownProduct(700), inB[700]);
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: %1").arg(kItems / 2 - 1));
    EXPECT_EQ(p.grid()->currentIndex().row(), 701) << "Enter moves down";
    EXPECT_TRUE(engine::isNull(data().itemValue(item, QStringLiteral("Quantity"))));

    // Clearing a list of all items keeps its rows in their order; every quantity goes, a typed one too.
    const auto qtyAt = [&](int row) {
        return p.grid()->model()->index(row, ShoppingQuery::QtyColumn).data().toString();
    };
    p.AllItemsCB->setChecked(true);
    ASSERT_TRUE(goToItem(item));
    typeAndEnter(QStringLiteral("4"));
    ASSERT_EQ(qtyAt(700), QStringLiteral("4"));
    messages_.setNextAnswer(ui::MessageAnswer::Yes);
    p.ListClearBtn->click();
    expectRows(inB, "cleared");
    for (int row : {0, 700, kItems / 2 - 1})
        EXPECT_EQ(qtyAt(row), QString()) << row;
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 0"));
    EXPECT_EQ(p.grid()->currentIndex().row(), 701);
}
