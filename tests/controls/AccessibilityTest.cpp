#include "ControlsTestSupport.h"

#include "GlyphBitButton.h"
#include "HoverSpeedButton.h"
#include "TaggedComboBox.h"
#include "TaggedItemDelegate.h"
#include "ThemedDBGrid.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QWidget>

namespace {

QAccessibleInterface* face(QObject* o) {
    return QAccessible::queryAccessibleInterface(o);
}

} // namespace

// The picture buttons are named by their hints and act as the radio group they are; the captioned buttons
// keep Qt's button interface with the caption as name.
TEST(Accessibility, ButtonsTellNameRoleAndState) {
    QWidget panel;
    auto* quantity = new ui::HoverSpeedButton(&panel);
    auto* price = new ui::HoverSpeedButton(&panel);
    auto* all = new ui::HoverSpeedButton(&panel);
    quantity->setToolTip(QStringLiteral("Edit shopping list"));
    price->setToolTip(QStringLiteral("Edit prices"));
    all->setToolTip(QStringLiteral("All shops"));
    for (ui::HoverSpeedButton* b : {quantity, price})
        b->setGroupIndex(1);
    quantity->setChecked(true);

    QAccessibleInterface* q = face(quantity);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->role(), QAccessible::RadioButton);
    EXPECT_EQ(q->text(QAccessible::Name), QStringLiteral("Edit shopping list"));
    EXPECT_EQ(q->text(QAccessible::Description), QString()); // the hint is not read twice
    EXPECT_TRUE(q->state().checked);
    QAccessibleInterface* p = face(price);
    EXPECT_FALSE(p->state().checked);
    p->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(price->isChecked());
    EXPECT_FALSE(q->state().checked);
    EXPECT_EQ(face(all)->role(), QAccessible::Button);
    EXPECT_EQ(face(all)->text(QAccessible::Name), QStringLiteral("All shops"));
    all->setEnabled(false);
    EXPECT_TRUE(face(all)->state().disabled);
    EXPECT_TRUE(face(all)->actionInterface()->actionNames().isEmpty());

    auto* copy = new ui::GlyphBitButton(QStringLiteral("C&opy"), &panel);
    copy->setToolTip(QStringLiteral("Copy the shop"));
    QAccessibleInterface* c = face(copy);
    EXPECT_EQ(c->role(), QAccessible::Button);
    EXPECT_EQ(c->text(QAccessible::Name), QStringLiteral("Copy"));
    EXPECT_EQ(c->text(QAccessible::Description), QStringLiteral("Copy the shop"));
}

// Tagged entries are drawn by their names; a screen reader gets the same names, not the ids before "###".
TEST(Accessibility, TaggedListsReadOutTheNamesOnly) {
    QListWidget list;
    list.setItemDelegate(new TaggedItemDelegate(0, false, &list));
    list.addItem(QStringLiteral("12###Milk"));
    list.addItem(QStringLiteral("no tag"));
    QAccessibleInterface* l = face(&list);
    ASSERT_TRUE(l && l->child(1));
    EXPECT_EQ(l->child(0)->text(QAccessible::Name), QStringLiteral("Milk"));
    EXPECT_EQ(l->child(1)->text(QAccessible::Name), QStringLiteral("no tag"));
    list.item(0)->setText(QStringLiteral("12###Oat milk"));
    EXPECT_EQ(l->child(0)->text(QAccessible::Name), QStringLiteral("Oat milk"));

    TaggedComboBox combo;
    combo.setAccessibleName(QStringLiteral("Select shop"));
    combo.addItem(QStringLiteral("3###Corner Market"));
    combo.addItem(QStringLiteral("4###Market Hall"));
    combo.setCurrentIndex(1);
    QAccessibleInterface* c = face(&combo);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->role(), QAccessible::ComboBox);
    EXPECT_EQ(c->text(QAccessible::Name), QStringLiteral("Select shop"));
    EXPECT_EQ(c->text(QAccessible::Value), QStringLiteral("Market Hall"));
    EXPECT_TRUE(c->state().collapsed);
    ASSERT_EQ(c->childCount(), 1);
    QAccessibleInterface* popup = c->child(0);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->object(), combo.view());
    EXPECT_EQ(popup->child(0)->text(QAccessible::Name), QStringLiteral("Corner Market"));
    combo.setCurrentIndex(0);
    EXPECT_EQ(c->text(QAccessible::Value), QStringLiteral("Corner Market"));
}

// The grid keeps Qt's table interface: cells by their shown text, column titles as headers, and the current
// record's cell as the focus and its row as the selection when the record moves, whoever moves it.
TEST_F(ShopsTest, GridTellsCellsTitlesAndTheCurrentRecord) {
    addShops({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")});
    shops.first();
    ui::ThemedDBGrid grid;
    grid.setAccessibleName(QStringLiteral("Shops"));
    grid.setDataSet(&shops);
    grid.setColumns({{QStringLiteral("ShopName"), QStringLiteral("Name"), 100},
                     {QStringLiteral("Address"), QStringLiteral("Address"), 120}});
    grid.resize(300, 200);
    grid.show();
    grid.setFocus();
    QApplication::processEvents();

    QAccessibleInterface* g = face(&grid);
    ASSERT_TRUE(g && g->tableInterface());
    EXPECT_EQ(g->role(), QAccessible::Table);
    EXPECT_EQ(g->text(QAccessible::Name), QStringLiteral("Shops"));
    QAccessibleTableInterface* table = g->tableInterface();
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("Address"));
    QAccessibleInterface* cell = table->cellAt(1, 1);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("Beta Street"));
    const QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers.first()->text(QAccessible::Name), QStringLiteral("Address"));

    shops.moveTo(2); // the record moves, the grid follows
    ASSERT_EQ(grid.currentIndex().row(), 2);
    ASSERT_TRUE(g->focusChild());
    EXPECT_EQ(g->focusChild()->text(QAccessible::Name), QStringLiteral("Gamma"));
    EXPECT_EQ(table->selectedRows(), QList<int>{2});
    EXPECT_TRUE(table->cellAt(2, 0)->state().selected);
}
