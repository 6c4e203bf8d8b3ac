#include "PageFixture.h"
#include "SearchBox.h"
#include "ThemedDBGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>

using ui::MessageAnswer;
using ui::MessageKind;

namespace {

class CategoriesPageTest : public PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        shop = addShop(QStringLiteral("Corner"));
        dairy = addCategory(QStringLiteral("Dairy"));
        fruit = addCategory(QStringLiteral("Fruit"));
        bakery = addCategory(QStringLiteral("Bakery"));
        other = addCategory(QStringLiteral("Other"));
        const int milk = addProduct(QStringLiteral("Milk"), dairy);
        const int apple = addProduct(QStringLiteral("Apple"), fruit);
        const int bread = addProduct(QStringLiteral("Bread"), bakery);
        addProduct(QStringLiteral("Soap"), other);
        addItem(milk, QStringLiteral("A"), 1, shop);
        addItem(milk, QStringLiteral("B"), 1, shop);
        addItem(apple, QStringLiteral("A"), 1, shop);
        addItem(apple, QStringLiteral("B"), 1, shop);
        addItem(bread, QStringLiteral("A"), 1, shop);
        for (int c : {dairy, fruit, bakery, other})
            addAisle(c, shop, 100 + c);
        showPage(MainWindow::CatPageIndex);
    }
    QString currentName() { return main().CatCatTable->field(QStringLiteral("CatName")).asString(); }

    int shop = 0, dairy = 0, fruit = 0, bakery = 0, other = 0;
};

TEST_F(CategoriesPageTest, AddSelectsTheNewRowAndRefusesDuplicatesInAnyCase) {
    CatalogueCategoriesPage& page = catPage();
    // Alphabetical without regard to case; the box follows the cursor.
    EXPECT_EQ(currentName(), "Bakery");
    EXPECT_EQ(page.CatCatEdit->text(), "Bakery");
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (1)");

    page.CatCatEdit->setText(QStringLiteral("   "));
    EXPECT_FALSE(page.CatAddBtn->isEnabled());
    EXPECT_FALSE(page.CatChangeBtn->isEnabled());

    page.CatCatEdit->setText(QStringLiteral("  Drinks \"&\" ###  "));
    QTest::mouseClick(page.CatAddBtn, Qt::LeftButton);
    EXPECT_EQ(currentName(), "Drinks \"&\" ###");
    EXPECT_EQ(page.CatGrid->selectedRows(), QList<int>{2});
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (1)");
    EXPECT_EQ(messages_.count(), 0);

    clickRow(page.CatGrid, 3); // Fruit
    EXPECT_EQ(page.CatCatEdit->text(), "Fruit");
    page.CatCatEdit->setText(QStringLiteral("dAIRY"));
    QTest::mouseClick(page.CatAddBtn, Qt::LeftButton);
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), "The category \"dAIRY\" already exists.");
    EXPECT_EQ(page.CatCatEdit->text(), "dAIRY");
    EXPECT_EQ(currentName(), "Fruit"); // back on the row current before the add
    EXPECT_EQ(rows(QStringLiteral("Categories")), 5);

    // A long paste is cut to what the field holds; an emoji counts as one character.
    const QString emoji = QString::fromUtf8("🍎");
    page.CatCatEdit->setText(emoji.repeated(10) + QString(60, QLatin1Char('x')));
    QTest::mouseClick(page.CatAddBtn, Qt::LeftButton);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Categories WHERE CatName = '%1'")
                        .arg(emoji.repeated(10) + QString(40, QLatin1Char('x')))),
              1);
    // Fifty emoji fit the box and the field.
    page.CatCatEdit->setText(emoji.repeated(50));
    EXPECT_EQ(page.CatCatEdit->text(), emoji.repeated(50));
    QTest::mouseClick(page.CatAddBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.count(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Categories WHERE CatName = '%1'").arg(emoji.repeated(50))),
              1);
}

TEST_F(CategoriesPageTest, RenameChangesOnlyTheCurrentRow) {
    CatalogueCategoriesPage& page = catPage();
    clickRow(page.CatGrid, 0);
    clickRow(page.CatGrid, 2, Qt::ControlModifier); // Fruit current, Bakery and Fruit selected
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (2)");
    page.CatCatEdit->setText(QStringLiteral(" Fresh fruit "));
    QTest::mouseClick(page.CatChangeBtn, Qt::LeftButton);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Categories WHERE CatName = 'Fresh fruit' AND CatID = %1")
                        .arg(fruit)),
              1);
    EXPECT_EQ(count("SELECT * FROM Categories WHERE CatName = 'Bakery'"), 1);
    // The selection stays as it was.
    EXPECT_EQ(page.CatGrid->selectedRows(), (QList<int>{0, 2}));
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (2)");

    // Renaming to another row's name in other case is refused; a row may take its own name in other case.
    page.CatCatEdit->setText(QStringLiteral("OTHER"));
    QTest::mouseClick(page.CatChangeBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.lastText(), "The category \"OTHER\" already exists.");
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Categories WHERE CatID = %1 AND CatName = 'Fresh fruit'")
                        .arg(fruit)),
              1);
    clickRow(page.CatGrid, 3); // Other
    page.CatCatEdit->setText(QStringLiteral("OTHER"));
    QTest::mouseClick(page.CatChangeBtn, Qt::LeftButton);
    EXPECT_EQ(count("SELECT * FROM Categories WHERE CatName = 'OTHER'"), 1);
    EXPECT_EQ(messages_.count(), 1);
}

TEST_F(CategoriesPageTest, DeleteCountsTheItemsAndLeavesNoOrphans) {
    CatalogueCategoriesPage& page = catPage();
    // Bakery, Dairy, Fruit hold 5 items between them.
    clickRow(page.CatGrid, 0);
    clickRow(page.CatGrid, 1, Qt::ControlModifier);
    clickRow(page.CatGrid, 2, Qt::ControlModifier);
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (3)");

    messages_.setNextAnswer(MessageAnswer::Cancel);
    QTest::mouseClick(page.CatDelBtn, Qt::LeftButton);
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.lastText(), "Deleting 3 categories will also delete 5 associated items.");
    EXPECT_EQ(messages_.calls()[0].buttons, ui::MessageButtons::OkCancel);
    EXPECT_EQ(rows(QStringLiteral("Categories")), 4);
    EXPECT_EQ(rows(QStringLiteral("Items")), 5);

    clickRow(page.CatGrid, 0);
    clickRow(page.CatGrid, 1, Qt::ControlModifier);
    clickRow(page.CatGrid, 2, Qt::ControlModifier);
    messages_.setNextAnswer(MessageAnswer::Ok);
    QTest::mouseClick(page.CatDelBtn, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("Categories")), 1);
    EXPECT_EQ(rows(QStringLiteral("Products")), 1);
    EXPECT_EQ(rows(QStringLiteral("Items")), 0);
    EXPECT_EQ(rows(QStringLiteral("Aisles")), 1);
    EXPECT_EQ(orphans(), 0);
    EXPECT_EQ(main().CatCatTable->recordCount(), 1);
    EXPECT_EQ(page.CatCatEdit->text(), "Other");
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (1)");

    // Without items nothing is asked; the last category leaves an empty box.
    messages_.clear();
    QTest::mouseClick(page.CatDelBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.count(), 0);
    EXPECT_EQ(rows(QStringLiteral("Categories")), 0);
    EXPECT_EQ(rows(QStringLiteral("Aisles")), 0);
    EXPECT_TRUE(page.CatCatEdit->text().isEmpty());
    EXPECT_EQ(page.CatDelBtn->text(), "Delete");
    EXPECT_EQ(orphans(), 0);
}

TEST_F(CategoriesPageTest, FailedDeleteRestoresThePageAndDeletesNothing) {
    // Deleting aisle rows fails inside the engine, as on a full disk, after items and product types went.
    ASSERT_EQ(
        sqlite3_exec(db().connection(),
                     "CREATE TEMP TRIGGER broken BEFORE DELETE ON Aisles BEGIN SELECT RAISE(ABORT, 'disk I/O "
                     "error'); END",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    CatalogueCategoriesPage& page = catPage();
    clickRow(page.CatGrid, 0);
    clickRow(page.CatGrid, 1, Qt::ControlModifier);
    QTest::mouseClick(page.CatDelBtn, Qt::LeftButton);
    ASSERT_EQ(messages_.count(), 2);
    EXPECT_EQ(messages_.calls()[1].kind, MessageKind::Error);
    EXPECT_TRUE(messages_.lastText().contains(QStringLiteral("disk I/O error")));
    EXPECT_EQ(rows(QStringLiteral("Categories")), 4);
    EXPECT_EQ(rows(QStringLiteral("Products")), 4);
    EXPECT_EQ(rows(QStringLiteral("Items")), 5);
    EXPECT_EQ(rows(QStringLiteral("Aisles")), 4);
    EXPECT_EQ(main().CatCatTable->recordCount(), 4);
    EXPECT_EQ(currentName(), "Dairy");
    EXPECT_EQ(page.CatCatEdit->text(), "Dairy");
    EXPECT_EQ(page.CatDelBtn->text(), "Delete (1)");
}

TEST_F(CategoriesPageTest, PageReturnsToTheRememberedCategory) {
    clickRow(catPage().CatGrid, 2);
    showPage(MainWindow::ShopsPageIndex);
    EXPECT_EQ(main().LastCatID, fruit);
    showPage(MainWindow::CatPageIndex);
    EXPECT_EQ(currentName(), "Fruit");
    EXPECT_EQ(catPage().CatCatEdit->text(), "Fruit");
}

// The Categories and Shops pages search their shown text; a category added under a search stays shown.
TEST_F(CategoriesPageTest, SearchNarrowsTheCategoriesAndTheShops) {
    CatalogueCategoriesPage& page = catPage();
    page.CatSearch->setText(QStringLiteral("RY"));
    page.CatSearch->flush();
    EXPECT_EQ(page.CatGrid->model()->rowCount(), 2); // Bakery, Dairy
    page.CatCatEdit->setText(QStringLiteral("Frozen"));
    QTest::mouseClick(page.CatAddBtn, Qt::LeftButton);
    EXPECT_EQ(currentName(), "Frozen");
    showPage(MainWindow::ShopsPageIndex);
    showPage(MainWindow::CatPageIndex);
    EXPECT_EQ(page.CatGrid->model()->rowCount(), 3);
    QTest::keyClick(page.CatSearch, Qt::Key_Escape);
    EXPECT_EQ(page.CatGrid->model()->rowCount(), 5);

    CatalogueShopsPage& shops = shopsPage();
    showPage(MainWindow::ShopsPageIndex);
    main().ShopShopTable->edit();
    main().ShopShopTable->field(QStringLiteral("Phone")).setString(QStringLiteral("555 0199"));
    main().ShopShopTable->post();
    addShop(QStringLiteral("Café 555"));
    shops.ShopSearch->setText(QStringLiteral("555"));
    shops.ShopSearch->flush();
    EXPECT_EQ(shops.ShopGrid->model()->rowCount(), 2); // by phone and by name
    shops.ShopSearch->setText(QStringLiteral("cafe"));
    shops.ShopSearch->flush();
    EXPECT_EQ(shops.ShopGrid->model()->rowCount(), 1);
}

class ShopsPageTest : public PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        corner = addShop(QStringLiteral("Corner"));
        market = addShop(QStringLiteral("Market"));
        empty = addShop(QStringLiteral("Zed"));
        const int dairy = addCategory(QStringLiteral("Dairy"));
        const int milk = addProduct(QStringLiteral("Milk"), dairy);
        for (int i = 0; i < 4; ++i)
            addItem(milk, QStringLiteral("B%1").arg(i), 1, corner);
        for (int i = 0; i < 3; ++i)
            addItem(milk, QStringLiteral("B%1").arg(i), 1, market);
        for (int s : {corner, market, empty})
            addAisle(dairy, s, 100);
        showPage(MainWindow::ShopsPageIndex);
    }
    int corner = 0, market = 0, empty = 0;
};

TEST_F(ShopsPageTest, AddAndUpdateStoreTrimmedFieldsAndRefuseDuplicates) {
    CatalogueShopsPage& page = shopsPage();
    EXPECT_EQ(page.ShopNameEdit->text(), "Corner");
    page.ShopNameEdit->setText(QStringLiteral("  Baker's \"Best\"  "));
    page.ShopAddrEdit->setText(QStringLiteral("    "));
    page.ShopPhoneEdit->setText(QStringLiteral(" 555 "));
    QTest::mouseClick(page.ShopAddBtn, Qt::LeftButton);
    EXPECT_EQ(
        count(
            "SELECT * FROM Shops WHERE ShopName = 'Baker''s \"Best\"' AND Address IS NULL AND Phone = '555'"),
        1);
    EXPECT_EQ(page.ShopGrid->selectedRows(), QList<int>{0});

    page.ShopNameEdit->setText(QStringLiteral("MARKET"));
    QTest::mouseClick(page.ShopAddBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.lastText(), "The shop \"MARKET\" already exists.");
    EXPECT_EQ(page.ShopNameEdit->text(), "MARKET");
    EXPECT_EQ(rows(QStringLiteral("Shops")), 4);

    // Update while three rows are selected changes only the current one.
    clickRow(page.ShopGrid, 1);
    clickRow(page.ShopGrid, 2, Qt::ControlModifier);
    clickRow(page.ShopGrid, 3, Qt::ControlModifier);
    EXPECT_EQ(page.ShopDelBtn->text(), "Delete (3)");
    EXPECT_EQ(page.ShopNameEdit->text(), "Zed");
    page.ShopAddrEdit->setText(QStringLiteral("1 High St"));
    QTest::mouseClick(page.ShopChangeBtn, Qt::LeftButton);
    EXPECT_EQ(count("SELECT * FROM Shops WHERE Address = '1 High St'"), 1);
    EXPECT_EQ(count("SELECT * FROM Shops WHERE ShopName = 'Zed' AND Address = '1 High St'"), 1);
    EXPECT_EQ(page.ShopGrid->selectedRows(), (QList<int>{1, 2, 3}));
    EXPECT_EQ(page.ShopDelBtn->text(), "Delete (3)");
}

TEST_F(ShopsPageTest, DeleteCountsItemsAndRemovesItemsAndAisles) {
    CatalogueShopsPage& page = shopsPage();
    clickRow(page.ShopGrid, 0);
    clickRow(page.ShopGrid, 1, Qt::ControlModifier);
    QTest::mouseClick(page.ShopDelBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.lastText(), "Deleting 2 shops will also delete 7 associated items.");
    EXPECT_EQ(rows(QStringLiteral("Shops")), 1);
    EXPECT_EQ(rows(QStringLiteral("Items")), 0);
    EXPECT_EQ(rows(QStringLiteral("Aisles")), 1);
    EXPECT_EQ(orphans(), 0);
    EXPECT_EQ(page.ShopNameEdit->text(), "Zed");

    messages_.clear();
    QTest::mouseClick(page.ShopDelBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.count(), 0);
    EXPECT_EQ(rows(QStringLiteral("Shops")), 0);
    EXPECT_EQ(rows(QStringLiteral("Aisles")), 0);
    EXPECT_TRUE(page.ShopNameEdit->text().isEmpty());
    EXPECT_EQ(page.ShopDelBtn->text(), "Delete");
}

} // namespace
