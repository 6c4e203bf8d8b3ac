#include "OptimizeForm.h"

#include "Database.h"
#include "Schema.h"
#include "ScriptedMessageService.h"
#include "Table.h"
#include "TempFolder.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A list whose only product can be bought more cheaply in either mode: Z x 5 is covered for less by X + Z,
// and X has the lowest unit price.
class OptimizeFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDatabaseTables(temp.path());
        db = std::make_unique<engine::Database>(temp.path());
        db->execute("INSERT INTO Shops (ShopName) VALUES ('Big Box')");
        db->execute("INSERT INTO Products (ProdName, UnitOfMeasure) VALUES ('Eggs', 'pcs')");
        x = addItem(4, 3.00, 0);
        z = addItem(1, 1.00, 5);
    }
    int addItem(int size, double price, int quantity) {
        engine::Table t(db.get(), "Items");
        t.open();
        t.append();
        t.field("Product").setInteger(1);
        t.field("Brand").setString("Farm");
        t.field("Size").setInteger(size);
        t.field("Price").setFloat(price);
        t.field("Shop").setInteger(1);
        if (quantity > 0)
            t.field("Quantity").setInteger(quantity);
        t.post();
        return t.field("ItemID").asInteger();
    }
    QString column(int itemId, const QString& name) {
        engine::Table t(db.get(), "Items");
        t.open();
        EXPECT_TRUE(t.findKey({engine::Value{std::int64_t{itemId}}}));
        return t.field(name).isNull() ? QStringLiteral("empty") : t.field(name).asString();
    }
    static void uncheck(QRadioButton* b) {
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    }

    TempFolder temp;
    std::unique_ptr<engine::Database> db;
    int x = 0;
    int z = 0;
};

} // namespace

TEST_F(OptimizeFormTest, NeitherModeOnlyReportsAndKeepsTheList) {
    ScriptedMessageService messages;
    OptimizeForm form(*db);
    uncheck(form.CheapTripRB);
    uncheck(form.CheapItemsRB);
    form.DetailsCB->setChecked(false);
    form.show();
    form.OptimizeBtn->click();

    EXPECT_EQ(column(z, "Quantity"), "5");
    EXPECT_EQ(column(x, "Quantity"), "empty");
    EXPECT_EQ(column(z, "UndoQty"), "5");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.lastResult().ReplacedCount, 0);
    EXPECT_EQ(form.lastResult().details, (QStringList{"", "0 items replaced", "You saved $0.00"}));
    EXPECT_EQ(messages.lastText(), "0 items replaced\r\nYou saved $0.00");
}

TEST_F(OptimizeFormTest, EachRadioButtonRunsItsOwnMode) {
    ScriptedMessageService messages;
    OptimizeForm form(*db);
    form.CheapItemsRB->setChecked(true);
    form.OptimizeBtn->click();
    ASSERT_FALSE(form.lastResult().details.isEmpty());
    EXPECT_EQ(form.lastResult().details.first(), "=== Optimized for lowest priced items ===");

    db->execute("UPDATE Items SET Quantity = UndoQty");
    form.CheapTripRB->setChecked(true);
    form.OptimizeBtn->click();
    ASSERT_FALSE(form.lastResult().details.isEmpty());
    EXPECT_EQ(form.lastResult().details.first(), "=== Optimized for cheapest shopping list ===");
    EXPECT_EQ(column(x, "Quantity"), "1");
    EXPECT_EQ(column(z, "Quantity"), "1");
}

TEST_F(OptimizeFormTest, OpensCentredOnTheScreen) {
    QWidget owner;
    const QRect screen = owner.screen()->availableGeometry();
    owner.setGeometry(QRect(screen.topLeft() + QPoint(10, 10), screen.size() / 3));
    owner.show();
    OptimizeForm form(*db, &owner);
    QPoint shownAt;
    QTimer::singleShot(0, &form, [&] {
        shownAt = form.frameGeometry().center();
        form.reject();
    });
    form.exec();
    EXPECT_LE((shownAt - screen.center()).manhattanLength(), 2);
}
