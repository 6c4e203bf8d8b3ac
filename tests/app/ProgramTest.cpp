#include "RunningProgram.h"

#include "AislesPage.h"
#include "AislesTabSheet.h"
#include "CatalogueCategoriesPage.h"
#include "CatalogueItemsPage.h"
#include "CatalogueShopsPage.h"
#include "Database.h"
#include "OptDetailsForm.h"
#include "OptimizeForm.h"
#include "Query.h"
#include "ShoppingListPage.h"
#include "Table.h"

#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <functional>

// The whole program: every subsystem installed in the main window, used through its menus.
class ProgramTest : public RunningProgram {
protected:
    // Products X, Y and Z of one shop; Z is on the list five times.
    void fillCatalogue() {
        createDatabase();
        engine::Database db(dataFolder());
        const auto append = [&](const QString& table,
                                std::initializer_list<std::pair<const char*, engine::Value>> v) {
            engine::Table t(&db, table);
            t.open();
            t.append();
            for (const auto& [field, value] : v)
                t.field(QString::fromLatin1(field)).setValue(value);
            t.post();
        };
        append(QStringLiteral("Categories"), {{"CatName", engine::textValue(QStringLiteral("Dairy"))}});
        append(QStringLiteral("Shops"), {{"ShopName", engine::textValue(QStringLiteral("Corner Market"))}});
        append(QStringLiteral("Products"), {{"ProdName", engine::textValue(QStringLiteral("Milk"))},
                                            {"UnitOfMeasure", engine::textValue(QStringLiteral("l"))},
                                            {"Category", std::int64_t{1}}});
        for (auto [brand, size, price, quantity] :
             {std::tuple{"X", 4, 3.00, 0}, std::tuple{"Y", 2, 1.80, 0}, std::tuple{"Z", 1, 1.00, 5}}) {
            std::initializer_list<std::pair<const char*, engine::Value>> fields = {
                {"Product", std::int64_t{1}},
                {"Brand", engine::textValue(QString::fromLatin1(brand))},
                {"Size", std::int64_t{size}},
                {"Price", price},
                {"Shop", std::int64_t{1}},
                {"Quantity", quantity ? engine::Value{std::int64_t{quantity}} : engine::Value{}}};
            append(QStringLiteral("Items"), fields);
        }
    }

    QStringList quantities(MainWindow& main) {
        engine::Query q(&main.database());
        q.setSql(QStringLiteral("SELECT Brand, Quantity FROM Items ORDER BY ItemID"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.field(QStringLiteral("Brand")).asString() + QLatin1Char('=') +
                       q.field(QStringLiteral("Quantity")).asString();
        return out;
    }
};

TEST_F(ProgramTest, EveryPageAndCommandIsTheRealOne) {
    MainWindow& main = start();
    EXPECT_TRUE(dynamic_cast<ShoppingListPage*>(main.page(MainWindow::ListPageIndex)));
    EXPECT_TRUE(dynamic_cast<CatalogueItemsPage*>(main.page(MainWindow::ItemsPageIndex)));
    EXPECT_TRUE(dynamic_cast<CatalogueCategoriesPage*>(main.page(MainWindow::CatPageIndex)));
    EXPECT_TRUE(dynamic_cast<CatalogueShopsPage*>(main.page(MainWindow::ShopsPageIndex)));
    auto* aisles = dynamic_cast<AislesTabSheet*>(main.page(MainWindow::AislePageIndex));
    ASSERT_TRUE(aisles);
    QStringList popup;
    for (QAction* a : aisles->page()->FloorplanPopup->actions())
        popup << (a->isSeparator() ? QStringLiteral("-") : a->text());
    // The floor plan's own order: the toolbar's.
    EXPECT_EQ(popup, (QStringList{"&Add aisle...", "Add all &unplaced", "Select &all", "Set s&equence...",
                                  "&Delete selected", "-", "&Sequence arrows"}));
    EXPECT_TRUE(aisles->page()->Sequencearrows1->isChecked());
    EXPECT_TRUE(qobject_cast<OptimizeForm*>(main.dialogs().optimize));
    EXPECT_TRUE(qobject_cast<OptDetailsForm*>(main.dialogs().optimizeResults));
    for (const char* name :
         {"Analyseshoppinglist1", "Deleteunusedproducts1", "Copyshop1", "Shoppinglist2", "Prices1"}) {
        QAction* action = main.menuAction(QString::fromLatin1(name));
        ASSERT_TRUE(action) << name;
        EXPECT_TRUE(action->isEnabled()) << name;
    }
    EXPECT_FALSE(main.menuAction(QStringLiteral("Undooptimization1"))->isEnabled());
    // Each page shows and leaves without complaint on a blank database.
    for (int page = MainWindow::ItemsPageIndex; page < MainWindow::PageCount; ++page)
        main.showPage(page);
    main.showPage(MainWindow::ListPageIndex);
    EXPECT_EQ(messages_.count(), 1) << messages_.lastText().toStdString(); // the "not found" warning only
}

TEST_F(ProgramTest, OptimizeFromTheToolsMenuThenUndoFromTheResults) {
    fillCatalogue();
    MainWindow& main = start();
    QString report;
    whenModal([&](QWidget* dialog) {
        auto* form = qobject_cast<OptimizeForm*>(dialog);
        ASSERT_TRUE(form);
        whenModal([&](QWidget* results) {
            auto* details = qobject_cast<OptDetailsForm*>(results);
            ASSERT_TRUE(details);
            report = details->details();
            details->UndoBtn->click();
        });
        form->OptimizeBtn->click();
    });
    main.menuAction(QStringLiteral("Analyseshoppinglist1"))->trigger();
    EXPECT_TRUE(report.contains(QStringLiteral("were replaced with"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("You saved $1.00"))) << report.toStdString();
    EXPECT_EQ(quantities(main), (QStringList{"X=", "Y=", "Z=5"})) << "the results' Undo restored the list";
    EXPECT_FALSE(main.menuAction(QStringLiteral("Undooptimization1"))->isEnabled());

    // Without details: the summary comes as a message, and the menu's Undo is then available.
    whenModal([](QWidget* dialog) {
        auto* form = qobject_cast<OptimizeForm*>(dialog);
        form->DetailsCB->setChecked(false);
        form->OptimizeBtn->click();
    });
    main.menuAction(QStringLiteral("Analyseshoppinglist1"))->trigger();
    EXPECT_EQ(messages_.lastText(), QStringLiteral("1 item replaced\r\nYou saved $1.00"));
    EXPECT_EQ(quantities(main), (QStringList{"X=1", "Y=", "Z=1"}));
    QAction* undo = main.menuAction(QStringLiteral("Undooptimization1"));
    ASSERT_TRUE(undo->isEnabled());
    undo->trigger();
    EXPECT_EQ(quantities(main), (QStringList{"X=", "Y=", "Z=5"}));

    // Cancel changes nothing and leaves Undo as it was.
    whenModal([](QWidget* dialog) { qobject_cast<OptimizeForm*>(dialog)->CancelBtn->click(); });
    main.menuAction(QStringLiteral("Analyseshoppinglist1"))->trigger();
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(quantities(main), (QStringList{"X=", "Y=", "Z=5"}));
}

TEST_F(ProgramTest, OpeningTheToolsMenuOnTheAislesPageStoresTheFloorPlan) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        engine::Table shops(&db, QStringLiteral("Shops"));
        shops.open();
        shops.append();
        shops.field(QStringLiteral("ShopName")).setString(QStringLiteral("Corner Market"));
        shops.post();
        engine::Table aisles(&db, QStringLiteral("Aisles"));
        aisles.open();
        int category = 1;
        for (double sequence : {2.5, 10.0, 15.0}) {
            aisles.append();
            aisles.field(QStringLiteral("Shop")).setInteger(1);
            aisles.field(QStringLiteral("Category")).setInteger(category++);
            aisles.field(QStringLiteral("Sequence")).setFloat(sequence);
            aisles.field(QStringLiteral("RectLeft")).setInteger(-1);
            aisles.post();
        }
    }
    MainWindow& main = start();
    main.showPage(MainWindow::AislePageIndex);
    auto* tools = main.findChild<QMenu*>(QStringLiteral("ToolsMenu"));
    ASSERT_TRUE(tools);
    emit tools->aboutToShow();
    engine::Query q(&main.database());
    q.setSql(QStringLiteral("SELECT Sequence FROM Aisles ORDER BY Category"));
    q.open();
    QStringList sequences;
    for (q.first(); !q.eof(); q.next())
        sequences << q.field(QStringLiteral("Sequence")).asString();
    EXPECT_EQ(sequences, (QStringList{"100", "110", "120"}));
}
