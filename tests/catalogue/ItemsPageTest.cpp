#include "BusyCursorProbe.h"
#include "PageFixture.h"
#include "PriceChartView.h"
#include "SearchBox.h"
#include "ThemedDBGrid.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using ui::MessageAnswer;
using ui::MessageKind;

namespace {

class ItemsPageTest : public PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        corner = addShop(QStringLiteral("Corner"));
        market = addShop(QStringLiteral("Market"));
        dairy = addCategory(QStringLiteral("Dairy"));
        milk = addProduct(QStringLiteral("Milk"), dairy, QStringLiteral("l"));
        cheese = addProduct(QStringLiteral("Cheese"), dairy, QStringLiteral("g"));
        addItem(milk, QStringLiteral("Acme"), 2, corner, 1.5);
        addItem(milk, QStringLiteral("Zeta"), 1, market, 0.99);
        addItem(cheese, QStringLiteral("Brie"), 200, corner, 3.25);
        showPage(MainWindow::ItemsPageIndex);
    }

    QStringList listColumn(const QString& field) {
        engine::Query* q = main().ItemsItemsQuery;
        QStringList out;
        for (int r = 0; r < q->recordCount(); ++r)
            out << q->textAt(r, q->fieldIndex(field));
        return out;
    }
    void fill(const char* cat, const char* prod, const char* uom, const char* brand, const char* size,
              const char* price) {
        CatalogueItemsPage& p = itemsPage();
        p.ItemsCatEdit->setText(QString::fromUtf8(cat));
        p.ItemsProdEdit->setText(QString::fromUtf8(prod));
        p.ItemsUOMEdit->setText(QString::fromUtf8(uom));
        p.ItemsBrandEdit->setText(QString::fromUtf8(brand));
        p.ItemsSizeEdit->setText(QString::fromUtf8(size));
        p.ItemsPriceEdit->setText(QString::fromUtf8(price));
    }
    QAction* popupAction(const char* name) {
        for (QAction* a : itemsPage().ProdGridPopup->actions())
            if (a->objectName() == QLatin1String(name))
                return a;
        return nullptr;
    }

    int corner = 0, market = 0, dairy = 0, milk = 0, cheese = 0;
};

TEST_F(ItemsPageTest, FieldsFollowTheListAndTheListSortsByTheClickedColumn) {
    CatalogueItemsPage& page = itemsPage();
    EXPECT_EQ(listColumn(QStringLiteral("ProdName")), (QStringList{"Cheese", "Milk", "Milk"}));
    EXPECT_EQ(page.ItemsCatEdit->text(), "Dairy");
    EXPECT_EQ(page.ItemsProdEdit->text(), "Cheese");
    EXPECT_EQ(page.UOMLabel->text(), "g");
    EXPECT_EQ(page.ItemsSizeEdit->text(), "200");
    EXPECT_EQ(page.ItemsPriceEdit->text(), "3.25");
    EXPECT_EQ(main().ItemsShopTable->field(QStringLiteral("ShopName")).asString(), "Corner");

    clickRow(page.ItemsGrid, 2);
    const QString current = main().ItemsItemsQuery->field(QStringLiteral("Brand")).asString();
    EXPECT_EQ(page.ItemsBrandEdit->text(), current);
    EXPECT_EQ(page.ItemsProdEdit->text(), "Milk");
    EXPECT_EQ(page.ItemsUOMEdit->text(), "l");

    // Price: the clicked item stays current.
    QTest::mouseClick(page.ItemsGrid->horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(page.ItemsGrid->horizontalHeader()->sectionViewportPosition(5) + 5, 5));
    EXPECT_EQ(main().ItemsSortColumn, 5);
    EXPECT_EQ(listColumn(QStringLiteral("Brand")), (QStringList{"Zeta", "Acme", "Brie"}));
    EXPECT_EQ(main().ItemsItemsQuery->field(QStringLiteral("Brand")).asString(), current);
    EXPECT_EQ(page.ItemsGrid->gridModel()->data(page.ItemsGrid->model()->index(0, 5)).toString(), "0.99");

    emit page.ItemsGrid->titleClick(6);
    EXPECT_EQ(listColumn(QStringLiteral("ShopName")), (QStringList{"Corner", "Corner", "Market"}));
    EXPECT_EQ(listColumn(QStringLiteral("ProdName")), (QStringList{"Cheese", "Milk", "Milk"}));
    EXPECT_EQ(CatalogueItemsPage::orderClause(9), "ORDER BY ProdName");

    // The item stays current across pages.
    clickRow(page.ItemsGrid, 1);
    const int id = main().ItemsItemsQuery->field(QStringLiteral("ItemID")).asInteger();
    showPage(MainWindow::CatPageIndex);
    showPage(MainWindow::ItemsPageIndex);
    EXPECT_EQ(main().ItemsItemsQuery->field(QStringLiteral("ItemID")).asInteger(), id);
}

// The search box narrows the list by every typed word; an item changed out of the search stays shown until
// the search changes; Escape shows the whole list again.
TEST_F(ItemsPageTest, SearchNarrowsTheListAndKeepsAChangedItem) {
    CatalogueItemsPage& page = itemsPage();
    const auto search = [&](const char* text) {
        page.ItemsSearch->setText(QString::fromUtf8(text));
        page.ItemsSearch->flush();
        return listColumn(QStringLiteral("Brand"));
    };
    EXPECT_EQ(search("BRIE"), QStringList{"Brie"});
    EXPECT_EQ(search("mil co"), QStringList{"Acme"}); // Milk at Corner
    EXPECT_EQ(search("0.9"), QStringList{"Zeta"});    // a price from its start
    EXPECT_EQ(page.ItemsBrandEdit->text(), "Zeta");

    page.ItemsPriceEdit->setText(QStringLiteral("2.00"));
    QTest::mouseClick(page.ItemsChangeBtn, Qt::LeftButton);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Items WHERE Price = 2")), 1);
    EXPECT_EQ(listColumn(QStringLiteral("Brand")), QStringList{"Zeta"}); // still shown
    emit page.ItemsGrid->titleClick(2);
    EXPECT_EQ(listColumn(QStringLiteral("Brand")), QStringList{"Zeta"}); // also when the list reopens
    EXPECT_EQ(search("0.99"), QStringList{});
    EXPECT_EQ(search("2.0"), QStringList{"Zeta"});

    QTest::keyClick(page.ItemsSearch, Qt::Key_Escape);
    EXPECT_EQ(listColumn(QStringLiteral("Brand")), (QStringList{"Acme", "Brie", "Zeta"}));
    EXPECT_TRUE(page.ItemsSearch->text().isEmpty());
}

TEST_F(ItemsPageTest, AddRoundsThePriceAndReportsDuplicates) {
    CatalogueItemsPage& page = itemsPage();
    fill(" dairy ", "MILK", "l", " Acme ", "1", "2.999");
    QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_EQ(rows(QStringLiteral("Categories")), 1); // found in other letter case
    EXPECT_EQ(count("SELECT * FROM Items WHERE Brand = 'Acme' AND Size = 1 AND Price = 3"), 1);
    EXPECT_EQ(page.ItemsPriceEdit->text(), "3.00");
    EXPECT_EQ(page.ItemsBrandEdit->text(), "Acme");

    // The same product type, brand (any case), size and shop.
    fill("Dairy", "Milk", "l", "ACME", "2", "1");
    QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), "Item:\r\nMilk ACME 2l at Corner\r\nalready exists.");
    EXPECT_EQ(rows(QStringLiteral("Items")), 4);
    EXPECT_EQ(main().ItemTable->state(), engine::DataSet::State::Browse);

    // A new unit for an existing product type changes it for all its items.
    fill("Dairy", "Milk", "ml", "New", "", "");
    QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Milk' AND UnitOfMeasure = 'ml'"), 1);
    EXPECT_EQ(count("SELECT * FROM Items WHERE Brand = 'New' AND Size IS NULL AND Price = 0"), 1);
}

TEST_F(ItemsPageTest, BadInputIsRefusedAndNothingIsCreated) {
    CatalogueItemsPage& page = itemsPage();
    struct Case {
        const char* cat;
        const char* prod;
        const char* size;
        const char* price;
        const char* message;
    };
    const Case cases[] = {
        {"Fresh", "Kiwi", "2.5", "1", "'2.5' is not a valid integer value for field 'Size'"},
        {"Fresh", "Kiwi", "abc", "1", "'abc' is not a valid integer value for field 'Size'"},
        {"Fresh", "Kiwi", "1", "1,5", "'1,5' is not a valid floating point value for field 'Price'"},
        {"Fresh", "Kiwi", "1", "-1", "'-1' is not a valid price for field 'Price'"},
        {"  ", "Kiwi", "1", "1", "Category must not be blank."},
        {"Fresh", "", "1", "1", "Product must not be blank."},
        {"Fruit", "milk", "1", "1",
         "Product type \"milk\" could not be added.\r\nThis product already exists in the \"Dairy\" "
         "category."},
    };
    for (const Case& c : cases) {
        messages_.clear();
        fill(c.cat, c.prod, "", "B", c.size, c.price);
        QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
        EXPECT_EQ(messages_.lastText(), QString::fromUtf8(c.message));
    }
    EXPECT_EQ(rows(QStringLiteral("Categories")), 1);
    EXPECT_EQ(rows(QStringLiteral("Products")), 2);
    EXPECT_EQ(rows(QStringLiteral("Items")), 3);

    // "1e3" is a number; non-Latin names are names.
    fill("Фрукты", "蘋果 🍏", "шт", "", "3", "1e3");
    QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
    EXPECT_EQ(count(QString::fromUtf8("SELECT * FROM Items I, Products P WHERE I.Product = P.ProdID AND "
                                      "P.ProdName = '蘋果 🍏' AND I.Price = 1000")),
              1);
    EXPECT_EQ(page.ItemsPriceEdit->text(), "1000.00");
}

TEST_F(ItemsPageTest, ChangeAndDeleteWithTheNeighbourRule) {
    CatalogueItemsPage& page = itemsPage();
    // List: Cheese Brie, Milk Acme, Milk Zeta.
    clickRow(page.ItemsGrid, 1);
    page.ItemsPriceEdit->setText(QStringLiteral("0.125"));
    clickRow(page.ItemsShopGrid, 1);
    QTest::mouseClick(page.ItemsChangeBtn, Qt::LeftButton);
    EXPECT_EQ(count("SELECT * FROM Items WHERE Brand = 'Acme' AND Shop = " + QString::number(market) +
                    " AND Price > 0.1199 AND Price < 0.1201"),
              1);
    EXPECT_EQ(page.ItemsPriceEdit->text(), "0.12");
    EXPECT_EQ(rows(QStringLiteral("Items")), 3);

    // "No" keeps the item.
    messages_.setNextAnswer(MessageAnswer::No);
    QTest::mouseClick(page.ItemsDelBtn, Qt::LeftButton);
    EXPECT_EQ(messages_.lastText(), "Delete the current item from the list?");
    EXPECT_EQ(rows(QStringLiteral("Items")), 3);

    // The following item becomes current; at the end, the one before.
    QTest::mouseClick(page.ItemsDelBtn, Qt::LeftButton);
    EXPECT_EQ(main().ItemsItemsQuery->field(QStringLiteral("Brand")).asString(), "Zeta");
    QTest::mouseClick(page.ItemsDelBtn, Qt::LeftButton);
    EXPECT_EQ(main().ItemsItemsQuery->field(QStringLiteral("Brand")).asString(), "Brie");
    EXPECT_TRUE(page.ItemsChangeBtn->isEnabled());
    QTest::mouseClick(page.ItemsDelBtn, Qt::LeftButton);
    EXPECT_EQ(rows(QStringLiteral("Items")), 0);
    EXPECT_FALSE(page.ItemsChangeBtn->isEnabled());
    EXPECT_FALSE(page.ItemsDelBtn->isEnabled());
}

// Each price entered shows in the Last changed column and the chart of the current item.
TEST_F(ItemsPageTest, TheCurrentItemShowsItsPriceHistory) {
    CatalogueItemsPage& page = itemsPage();
    const int changed = page.ItemsGrid->gridModel()->columnOfField(QStringLiteral("LastChanged"));
    ASSERT_EQ(changed, 7);
    const auto lastChanged = [&] {
        return page.ItemsGrid->gridModel()
            ->data(page.ItemsGrid->model()->index(main().ItemsItemsQuery->recNo(), changed))
            .toString();
    };
    clickRow(page.ItemsGrid, 1); // Milk Acme, no price logged yet
    EXPECT_EQ(lastChanged(), QString());
    EXPECT_TRUE(page.PriceChartBox->chart().history().empty());
    EXPECT_EQ(page.PriceExtremesLabel->text(), QString());

    for (const char* price : {"1.75", "1.25"}) {
        page.ItemsPriceEdit->setText(QString::fromLatin1(price));
        QTest::mouseClick(page.ItemsChangeBtn, Qt::LeftButton);
    }
    const QString today = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    EXPECT_EQ(main().ItemsItemsQuery->field(QStringLiteral("Brand")).asString(), "Acme");
    EXPECT_EQ(lastChanged(), today);
    EXPECT_EQ(page.PriceChartBox->chart().history().size(), 2u);
    EXPECT_EQ(page.PriceExtremesLabel->text(),
              QStringLiteral("Lowest: 1.25 on %1\nHighest: 1.75 on %1").arg(today));
    // Sorted by the date, the item without a date comes first.
    emit page.ItemsGrid->titleClick(changed);
    EXPECT_EQ(listColumn(QStringLiteral("Brand")).constLast(), "Acme");
}

TEST_F(ItemsPageTest, ProductTypeMenuDeletesAndRenames) {
    CatalogueItemsPage& page = itemsPage();
    QAction* del = popupAction("ProdPopupDelete");
    QAction* rename = popupAction("ProdPopupRename");
    ASSERT_TRUE(del && rename);
    emit page.ProdGridPopup->aboutToShow();
    EXPECT_TRUE(del->isEnabled());
    EXPECT_TRUE(rename->isEnabled());

    // Milk is the second product type of Dairy.
    clickRow(page.ItemsProdGrid, 1);
    EXPECT_EQ(page.ItemsProdEdit->text(), "Milk");
    dialogs_.setNextAnswer(QStringLiteral("  cheese  "));
    rename->trigger();
    ASSERT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(dialogs_.calls()[0].caption, "Rename product type");
    EXPECT_EQ(dialogs_.calls()[0].prompt, "Enter new product type name");
    EXPECT_EQ(dialogs_.calls()[0].filter, "Milk");
    EXPECT_EQ(messages_.lastText(), "The product type \"cheese\" already exists.");
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Milk'"), 1);

    clickRow(page.ItemsProdGrid, 1);
    dialogs_.setNextAnswer(QStringLiteral("  Whole milk "));
    rename->trigger();
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Whole milk'"), 1);
    EXPECT_TRUE(listColumn(QStringLiteral("ProdName")).contains(QStringLiteral("Whole milk")));

    clickRow(page.ItemsProdGrid, 1);
    EXPECT_EQ(page.ItemsProdEdit->text(), "Whole milk");
    messages_.clear();
    messages_.setNextAnswer(MessageAnswer::Cancel);
    del->trigger();
    EXPECT_EQ(messages_.lastText(), "Deleting this product type will also delete 2 associated items.");
    EXPECT_EQ(rows(QStringLiteral("Items")), 3);
    del->trigger();
    EXPECT_EQ(rows(QStringLiteral("Items")), 1);
    EXPECT_EQ(rows(QStringLiteral("Products")), 1);
    EXPECT_EQ(main().ItemsProdQuery->recordCount(), 1);
    EXPECT_EQ(main().ItemsItemsQuery->recordCount(), 1);
    EXPECT_EQ(orphans(), 0);
}

TEST_F(ItemsPageTest, DeleteUnusedProductsCountsAndRefreshesTheGrid) {
    CatalogueItemsPage& page = itemsPage();
    addProduct(QStringLiteral("Yogurt"), dairy);
    addProduct(QStringLiteral("Butter"), dairy);
    QAction* purge = main().menuAction(QStringLiteral("Deleteunusedproducts1"));
    ASSERT_TRUE(purge);
    EXPECT_TRUE(purge->isEnabled());
    page.ItemsCatTableAfterScroll();
    EXPECT_EQ(main().ItemsProdQuery->recordCount(), 4);
    purge->trigger();
    EXPECT_EQ(messages_.lastText(), "2 unused product types deleted.");
    EXPECT_EQ(messages_.calls().back().kind, MessageKind::Information);
    EXPECT_EQ(main().ItemsProdQuery->recordCount(), 2);
    purge->trigger();
    EXPECT_EQ(messages_.lastText(), "0 unused product types deleted.");
    EXPECT_EQ(rows(QStringLiteral("Products")), 2);
}

} // namespace

TEST_F(ItemsPageTest, ReopeningTheItemListShowsTheBusyCursor) {
    CatalogueItemsPage& page = itemsPage();
    BusyCursorProbe probe(*main().ItemsItemsQuery);
    probe.check("page change", [&] {
        showPage(MainWindow::CatPageIndex);
        showPage(MainWindow::ItemsPageIndex);
    });
    probe.check("sort", [&] { emit page.ItemsGrid->titleClick(3); });
}

// Add, Change and Delete show their one row in place; the list is not opened again.
TEST_F(ItemsPageTest, AddChangeAndDeleteChangeTheirRowInPlace) {
    CatalogueItemsPage& page = itemsPage();
    QAbstractItemModel* model = page.ItemsGrid->model();
    QSignalSpy reset(model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy moved(model, &QAbstractItemModel::rowsMoved);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
    const auto brandShown = [&] {
        return model->index(page.ItemsGrid->currentIndex().row(), 2).data().toString();
    };
    // List by product: Cheese Brie, Milk Acme, Milk Zeta.
    fill("Dairy", "Butter", "g", "Moo", "1", "1.10");
    QTest::mouseClick(page.ItemsAddBtn, Qt::LeftButton);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(page.ItemsGrid->currentIndex().row(), 0);
    EXPECT_EQ(brandShown(), "Moo");
    page.ItemsProdEdit->setText(QStringLiteral("Yoghurt"));
    QTest::mouseClick(page.ItemsChangeBtn, Qt::LeftButton);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(page.ItemsGrid->currentIndex().row(), 3) << "the changed product type sorts last";
    EXPECT_EQ(brandShown(), "Moo");
    QTest::mouseClick(page.ItemsDelBtn, Qt::LeftButton);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(brandShown(), "Zeta");
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(messages_.count(), 1); // the question before the deletion
}
