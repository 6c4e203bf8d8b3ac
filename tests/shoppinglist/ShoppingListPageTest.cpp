#include "BusyCursorProbe.h"
#include "ListPageFixture.h"

#include "FaultInjection.h"
#include "Query.h"
#include "SearchBox.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"
#include "ThemedDBGrid.h"
#include "ThemedHeader.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <functional>

#include "HoverSpeedButton.h"

namespace {

std::optional<std::int64_t> whole(const engine::Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    return std::nullopt;
}

} // namespace

// One shop with milk (3 x 1.25), bread (2, no price) and cheese (not on the list).
class OneShopPage : public ListPageFixture {
protected:
    void SetUp() override {
        ListPageFixture::SetUp();
        dairy = data().addCategory(QStringLiteral("Dairy"));
        bakery = data().addCategory(QStringLiteral("Bakery"));
        shop = data().addShop(QStringLiteral("Corner Market"));
        milk = data().addItem(data().addProduct(QStringLiteral("Milk"), dairy), QStringLiteral("Acme"), 1000,
                              shop, 1.25, 3);
        bread = data().addItem(data().addProduct(QStringLiteral("Bread"), bakery), QStringLiteral("Zed"), 500,
                               shop, std::nullopt, 2);
        cheese = data().addItem(data().addProduct(QStringLiteral("Cheese"), dairy), QStringLiteral("Brie"),
                                200, shop, 4.10);
    }

    int dairy = 0, bakery = 0, shop = 0, milk = 0, bread = 0, cheese = 0;
};

TEST_F(OneShopPage, TheOnlyShopIsSelectedAtStartAndTotalled) {
    ShoppingListPage& p = start();
    ASSERT_EQ(p.ShopsLB->count(), 1);
    EXPECT_TRUE(p.ShopsLB->item(0)->isSelected());
    EXPECT_EQ(listedIds(), (QList<int>{bread, cheese, milk})); // category, then product type
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 2"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $3.75"));
    EXPECT_TRUE(p.ListClearBtn->isEnabled());
    EXPECT_TRUE(p.AllItemsCB->isChecked());
    EXPECT_TRUE(p.QuantityRB->isChecked());
    EXPECT_FALSE(p.PriceRB->isChecked());
    // The price column shows two decimals.
    const int milkRow = listedIds().indexOf(milk);
    EXPECT_EQ(p.grid()->model()->index(milkRow, ShoppingQuery::PriceColumn).data().toString(),
              QStringLiteral("1.25"));
    EXPECT_EQ(window_->ListSortColumn, ShoppingQuery::CategoryColumn);

    // The Category column takes up the room the others leave, also after the window changes size.
    const auto expectFilled = [&] {
        int s = 0;
        for (int c = 0; c < ShoppingQuery::CategoryColumn; ++c)
            s += p.grid()->columnWidth(c) + 1;
        EXPECT_EQ(p.grid()->columnWidth(ShoppingQuery::CategoryColumn), p.grid()->viewport()->width() - s);
    };
    expectFilled();
    window_->resize(1000, 600);
    QApplication::processEvents();
    expectFilled();
}

TEST_F(OneShopPage, QuantityEntryWritesThroughAndMovesDown) {
    start();
    ASSERT_TRUE(goToItem(bread));
    typeAndEnter(QStringLiteral("0"));
    EXPECT_TRUE(engine::isNull(data().itemValue(bread, QStringLiteral("Quantity"))));
    EXPECT_EQ(page().TotalItemsLabel->text(), QStringLiteral("Items: 1"));
    EXPECT_EQ(page().TotalCostLabel->text(), QStringLiteral("Total cost: $3.75"));
    EXPECT_EQ(currentItemId(), cheese); // Enter moved to the next row

    typeAndEnter(QStringLiteral("2"));
    EXPECT_EQ(whole(data().itemValue(cheese, QStringLiteral("Quantity"))), 2);
    EXPECT_EQ(page().TotalCostLabel->text(), QStringLiteral("Total cost: $11.95"));
    EXPECT_EQ(currentItemId(), milk);

    typeAndEnter(QStringLiteral("-2"));
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Quantity -2 is invalid."));
    EXPECT_EQ(whole(data().itemValue(milk, QStringLiteral("Quantity"))), 3);
    EXPECT_EQ(whole(query().field(QStringLiteral("Quantity")).value()), 3);
    EXPECT_EQ(currentItemId(), milk); // the last row: Enter stays
    EXPECT_EQ(page().TotalItemsLabel->text(), QStringLiteral("Items: 2"));
}

// A search narrows the list together with "Show all items"; the counts say both numbers and the total is the
// shown rows'; a price entered in a found row is stored and the row stays until the search changes.
TEST_F(OneShopPage, SearchNarrowsTheListAndKeepsAnEditedRow) {
    ShoppingListPage& p = start();
    const auto search = [&](const char* text) {
        p.ListSearch->setText(QString::fromUtf8(text));
        p.ListSearch->flush();
        return listedIds();
    };
    EXPECT_EQ(search("dairy"), (QList<int>{cheese, milk}));
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 1 of 2"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost (shown): $3.75"));
    p.AllItemsCB->click();
    EXPECT_EQ(listedIds(), QList<int>{milk});
    p.AllItemsCB->click();
    EXPECT_EQ(search("4.1"), QList<int>{cheese});
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 0 of 2"));

    p.PriceRB->click();
    EXPECT_EQ(search("1.2"), QList<int>{milk});
    ASSERT_TRUE(goToItem(milk, ShoppingQuery::PriceColumn));
    typeAndEnter(QStringLiteral("2"));
    EXPECT_EQ(data().itemValue(milk, QStringLiteral("Price")), engine::Value{2.0});
    EXPECT_EQ(listedIds(), QList<int>{milk}); // no longer found, still shown
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost (shown): $6.00"));
    EXPECT_EQ(search("1.25"), QList<int>{});

    QTest::keyClick(p.ListSearch, Qt::Key_Escape);
    EXPECT_EQ(listedIds(), (QList<int>{bread, milk}));
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 2"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $6.00"));
}

TEST_F(OneShopPage, TheCellEditorTakesOnlyTheModesCharacters) {
    ShoppingListPage& p = start();
    ASSERT_TRUE(goToItem(milk));
    QTest::keyClick(p.grid(), 'x'); // refused: the editor keeps the stored text
    auto* editor = qobject_cast<QLineEdit*>(p.grid()->indexWidget(p.grid()->currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("3"));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(query().state(), engine::DataSet::State::Browse);
    QTest::keyClick(p.grid(), '5');
    editor = qobject_cast<QLineEdit*>(p.grid()->indexWidget(p.grid()->currentIndex()));
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("xe,000"));
    EXPECT_EQ(editor->text(), QStringLiteral("5,000"));
    QTest::keyClick(editor, Qt::Key_Return);
    // A separator is not dropped to make 5000: the page refuses the text and nothing is stored.
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Quantity 5,000 is invalid."));
    EXPECT_EQ(whole(data().itemValue(milk, QStringLiteral("Quantity"))), 3);
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 2"));
    ASSERT_TRUE(goToItem(milk));
    typeAndEnter(QStringLiteral("5-"));
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Quantity 5- is invalid."));
    EXPECT_EQ(whole(data().itemValue(milk, QStringLiteral("Quantity"))), 3);
}

TEST_F(OneShopPage, PricesAreTypedAsOnTheItemsPageAndEditedAsShown) {
    ShoppingListPage& p = start();
    p.PriceRB->click();
    ASSERT_TRUE(goToItem(milk, ShoppingQuery::PriceColumn));
    typeAndEnter(QStringLiteral("2,5"));
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Price 2,5 is invalid."));
    EXPECT_EQ(std::get<double>(data().itemValue(milk, QStringLiteral("Price"))), 1.25);
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $3.75"));

    ASSERT_TRUE(goToItem(milk, ShoppingQuery::PriceColumn));
    typeAndEnter(QStringLiteral("2.1"));
    ASSERT_EQ(std::get<double>(data().itemValue(milk, QStringLiteral("Price"))), static_cast<double>(2.1f));
    // The editor opens with the price as the grid shows it.
    ASSERT_TRUE(goToItem(milk, ShoppingQuery::PriceColumn));
    QTest::keyClick(p.grid(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(p.grid()->indexWidget(p.grid()->currentIndex()));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("2.10"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(std::get<double>(data().itemValue(milk, QStringLiteral("Price"))), static_cast<double>(2.1f));
}

TEST_F(OneShopPage, PriceModeListsOnlyItemsOnTheListAndLocksThePriceColumn) {
    ShoppingListPage& p = start();
    p.PriceRB->click();
    EXPECT_FALSE(p.AllItemsCB->isChecked());
    EXPECT_TRUE(p.PriceRB->isChecked());
    EXPECT_EQ(listedIds(), (QList<int>{bread, milk}));
    EXPECT_EQ(p.grid()->currentIndex().column(), ShoppingQuery::PriceColumn);

    // Neither a click into another column nor the arrow keys leave the price column.
    ASSERT_TRUE(goToItem(milk, ShoppingQuery::ProductColumn));
    EXPECT_EQ(p.grid()->currentIndex().column(), ShoppingQuery::PriceColumn);
    QTest::keyClick(p.grid(), Qt::Key_Left);
    QTest::keyClick(p.grid(), Qt::Key_Right);
    QTest::keyClick(p.grid(), Qt::Key_Tab);
    EXPECT_EQ(p.grid()->currentIndex().column(), ShoppingQuery::PriceColumn);
    EXPECT_EQ(currentItemId(), milk);

    typeAndEnter(QStringLiteral("1.005"));
    EXPECT_EQ(std::get<double>(data().itemValue(milk, QStringLiteral("Price"))), static_cast<double>(1.0f));
    EXPECT_EQ(
        p.grid()->model()->index(listedIds().indexOf(milk), ShoppingQuery::PriceColumn).data().toString(),
        QStringLiteral("1.00"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $3.00"));

    ASSERT_TRUE(goToItem(milk, ShoppingQuery::PriceColumn));
    typeAndEnter(QStringLiteral("-1"));
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Price -1 is invalid."));
    EXPECT_EQ(std::get<double>(data().itemValue(milk, QStringLiteral("Price"))), static_cast<double>(1.0f));

    // Back to quantities: every item again, Qty editable.
    window_->menuAction(QStringLiteral("Shoppinglist2"))->trigger();
    EXPECT_TRUE(p.AllItemsCB->isChecked());
    EXPECT_TRUE(p.QuantityRB->isChecked());
    EXPECT_EQ(listedIds().size(), 3);
    EXPECT_EQ(p.grid()->currentIndex().column(), ShoppingQuery::QtyColumn);
    window_->menuAction(QStringLiteral("Prices1"))->trigger();
    EXPECT_TRUE(p.PriceRB->isChecked());
    EXPECT_EQ(listedIds().size(), 2);
}

TEST_F(OneShopPage, PriceOfAnItemWithoutQuantityLeavesTheTotals) {
    ShoppingListPage& p = start();
    p.AllItemsCB->setChecked(true);
    p.selectPriceMode();
    p.AllItemsCB->click(); // show every item while editing prices
    ASSERT_TRUE(p.AllItemsCB->isChecked());
    ASSERT_TRUE(goToItem(cheese, ShoppingQuery::PriceColumn));
    typeAndEnter(QStringLiteral("2.5"));
    EXPECT_EQ(std::get<double>(data().itemValue(cheese, QStringLiteral("Price"))), 2.5);
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 2"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $3.75"));
}

TEST_F(OneShopPage, CtrlDeleteAndNewRowsNeverChangeTheList) {
    ShoppingListPage& p = start();
    ASSERT_TRUE(goToItem(milk));
    QTest::keyClick(p.grid(), Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(p.grid(), Qt::Key_Down);
    EXPECT_EQ(listedIds().size(), 3);
    query().append();
    EXPECT_EQ(query().state(), engine::DataSet::State::Browse);
    EXPECT_EQ(listedIds().size(), 3);
    EXPECT_FALSE(engine::isNull(data().itemValue(milk, QStringLiteral("ItemID"))));
}

TEST_F(OneShopPage, ClearAsksWithTheShopCountAndClearsOnYes) {
    ShoppingListPage& p = start();
    messages_.setNextAnswer(ui::MessageAnswer::No);
    p.ListClearBtn->click();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Clear all quantities from 1 shop?"));
    EXPECT_EQ(messages_.calls()[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_EQ(whole(data().itemValue(milk, QStringLiteral("Quantity"))), 3);

    messages_.setNextAnswer(ui::MessageAnswer::Yes);
    p.ListClearBtn->click();
    EXPECT_TRUE(engine::isNull(data().itemValue(milk, QStringLiteral("Quantity"))));
    EXPECT_TRUE(engine::isNull(data().itemValue(bread, QStringLiteral("Quantity"))));
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 0"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $0.00"));
}

TEST_F(OneShopPage, EditThisItemOpensTheItemsPageOnTheItem) {
    ShoppingListPage& p = start();
    ASSERT_TRUE(goToItem(cheese));
    p.ShoppingListPopup->popup(QPoint(0, 0)); // runs the opening hook
    p.ShoppingListPopup->hide();
    QAction* edit = nullptr;
    for (QAction* a : p.ShoppingListPopup->actions())
        if (a->text() == QLatin1String("&Edit this item..."))
            edit = a;
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isEnabled());
    edit->trigger();
    EXPECT_EQ(window_->LastItemsItemID, cheese);
    EXPECT_EQ(window_->LastListItemID, cheese);
    EXPECT_EQ(window_->activePageIndex(), MainWindow::ItemsPageIndex);
    EXPECT_EQ(window_->SelectedShopIDs, QStringList{QString::number(shop)});
    EXPECT_FALSE(query().isOpen());
    (void)p;
}

TEST_F(OneShopPage, NotesAreSavedWithTheSettings) {
    ShoppingListPage& p = start();
    p.NotesMemo->setPlainText(QStringLiteral("eggs\nbring bags"));
    finish();
    QFile ini(settingsFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(ini.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("NumOf=2"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("N2=bring bags")));
}

// Shops whose ids (4, 9, 2 among others) do not follow their names.
class ManyShopsPage : public ListPageFixture {
protected:
    void SetUp() override {
        ListPageFixture::SetUp();
        const QStringList names = {"Zulu 1", "Bravo",  "Zulu 3", "Charlie", "Zulu 5",
                                   "Zulu 6", "Zulu 7", "Zulu 8", "Alpha"};
        for (const QString& n : names)
            shops << data().addShop(n);
        const int cat = data().addCategory(QStringLiteral("Dairy"));
        const int cat2 = data().addCategory(QStringLiteral("Bakery"));
        const int milk = data().addProduct(QStringLiteral("Milk"), cat);
        const int bread = data().addProduct(QStringLiteral("Bread"), cat2);
        alphaMilk = data().addItem(milk, QStringLiteral("Cow"), 1000, shops[8], 1.0, 1);
        bravoMilk = data().addItem(milk, QStringLiteral("Acme"), 1000, shops[1], 2.0, 1);
        bravoBread = data().addItem(bread, QStringLiteral("Zed"), 500, shops[1], 3.0);
        charlieBread = data().addItem(bread, QStringLiteral("Bun"), 500, shops[3], 0.5, 4);
    }

    QList<int> shops;
    int alphaMilk = 0, bravoMilk = 0, bravoBread = 0, charlieBread = 0;
};

TEST_F(ManyShopsPage, NothingSelectedAtStartThenTheIdsFollowTheNames) {
    ShoppingListPage& p = start();
    ASSERT_EQ(shops[1], 2);
    ASSERT_EQ(shops[3], 4);
    ASSERT_EQ(shops[8], 9);
    EXPECT_TRUE(p.ShopsLB->selectedItems().isEmpty());
    EXPECT_EQ(listedIds().size(), 0);
    EXPECT_FALSE(p.ListClearBtn->isEnabled());
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $0.00"));
    EXPECT_TRUE(query().sql().at(2).contains(QStringLiteral("IN (-1))")));

    selectShops({4, 9, 2});
    EXPECT_TRUE(query().sql().at(2).endsWith(QStringLiteral("(I.Shop IN (9,2,4))")))
        << query().sqlText().toStdString();
    EXPECT_EQ(listedIds().size(), 4);
    EXPECT_EQ(p.TotalItemsLabel->text(), QStringLiteral("Items: 3"));
    EXPECT_EQ(p.TotalCostLabel->text(), QStringLiteral("Total cost: $5.00"));

    messages_.setNextAnswer(ui::MessageAnswer::No);
    p.ListClearBtn->click();
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Clear all quantities from 3 shops?"));
    selectShops({9, 2});
    messages_.setNextAnswer(ui::MessageAnswer::No);
    p.ListClearBtn->click();
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Clear all quantities from 2 shops?"));

    p.AllShopsBtn->click();
    EXPECT_EQ(p.ShopsLB->selectedItems().size(), 9);
}

TEST_F(ManyShopsPage, ShopsAndItemAreRememberedAcrossOtherPages) {
    ShoppingListPage& p = start();
    selectShops({2, 4});
    ASSERT_TRUE(goToItem(bravoMilk));
    window_->showPage(MainWindow::CatPageIndex);
    EXPECT_EQ(window_->SelectedShopIDs, (QStringList{"2", "4"}));
    EXPECT_EQ(window_->LastListItemID, bravoMilk);
    EXPECT_FALSE(query().isOpen());
    window_->showPage(MainWindow::ListPageIndex);
    EXPECT_EQ(p.ShopsLB->selectedItems().size(), 2);
    EXPECT_EQ(currentItemId(), bravoMilk);
    // Selecting another shop goes back to the remembered item, not the current one.
    ASSERT_TRUE(goToItem(charlieBread));
    selectShops({2, 4, 9});
    EXPECT_EQ(currentItemId(), bravoMilk);
}

TEST_F(ManyShopsPage, TitleClicksSortAndKeepTheCurrentItem) {
    ShoppingListPage& p = start();
    p.AllShopsBtn->click();
    ASSERT_TRUE(goToItem(bravoBread));
    ui::ThemedHeader* header = p.grid()->titleHeader();
    const auto clickTitle = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    clickTitle(ShoppingQuery::ShopColumn);
    EXPECT_EQ(window_->ListSortColumn, ShoppingQuery::ShopColumn);
    EXPECT_EQ(query().sql().at(3), QStringLiteral("ORDER BY ShopName, ProdName"));
    EXPECT_EQ(listedIds(), (QList<int>{alphaMilk, bravoBread, bravoMilk, charlieBread}));
    EXPECT_EQ(currentItemId(), bravoBread);
    clickTitle(ShoppingQuery::BrandColumn);
    EXPECT_EQ(listedIds(), (QList<int>{bravoMilk, charlieBread, alphaMilk, bravoBread}));
    EXPECT_EQ(currentItemId(), bravoBread);
    clickTitle(ShoppingQuery::QtyColumn);
    EXPECT_EQ(query().sql().at(3), QStringLiteral("ORDER BY Quantity"));
    EXPECT_EQ(listedIds().first(), bravoBread);
    EXPECT_EQ(listedIds().last(), charlieBread);
    // The sort column is saved at exit.
    finish();
    QFile ini(settingsFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(ini.readAll()).contains(QStringLiteral("[SortCol]\r\nShoppingGrid=0")));
}

TEST_F(OneShopPage, TabRunsFromTheShopsThroughTheGridToTheNotes) {
    ShoppingListPage& p = start();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    p.ShopsLB->setFocus();
    ASSERT_TRUE(p.ShopsLB->hasFocus());
    QWidget* reached = nullptr;
    for (int step = 0; step < 8 && reached != p.grid(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached = QApplication::focusWidget();
        ASSERT_NE(reached, p.NotesMemo) << "the notes came before the grid";
    }
    ASSERT_EQ(reached, p.grid());
    QTest::keyClick(p.grid(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), p.NotesMemo);
    p.NotesMemo->setFocus();

    // Tab in the notes moves on rather than typing a tab character.
    p.NotesMemo->setPlainText(QStringLiteral("milk"));
    QTest::keyClick(p.NotesMemo, Qt::Key_Tab);
    EXPECT_EQ(p.NotesMemo->toPlainText(), QStringLiteral("milk"));
    EXPECT_NE(QApplication::focusWidget(), p.NotesMemo);
}

TEST_F(OneShopPage, SlowCommandsShowTheBusyCursorWhileTheListReopens) {
    ShoppingListPage& p = start();
    BusyCursorProbe probe(query());
    probe.check("page change", [&] {
        window_->showPage(MainWindow::ItemsPageIndex);
        window_->showPage(MainWindow::ListPageIndex);
    });
    probe.check("All shops", [&] { p.AllShopsBtn->click(); });
    probe.check("Show all items", [&] { p.AllItemsCB->click(); });
    probe.check("sort", [&] { emit p.grid()->titleClick(ShoppingQuery::ProductColumn); });
    probe.check("Clear", [&] { p.ListClearBtn->click(); });
    ASSERT_EQ(messages_.count(), 1); // the confirmation, shown before the busy cursor
    EXPECT_TRUE(engine::isNull(data().itemValue(milk, QStringLiteral("Quantity"))));

    // A failing reload leaves the normal cursor behind its error box.
    engine::FaultInjection::failTable(QStringLiteral("Items"));
    const std::unique_ptr<void, void (*)(void*)> disarm(&p, [](void*) { engine::FaultInjection::disarm(); });
    // A real click, so that the error reaches the general error display.
    QTest::mouseClick(p.AllItemsCB, Qt::LeftButton, {}, QPoint(4, p.AllItemsCB->height() / 2));
    EXPECT_EQ(messages_.count(), 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
