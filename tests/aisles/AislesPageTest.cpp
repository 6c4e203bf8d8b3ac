#include "AislesPage.h"
#include "AisleHintWindow.h"
#include "AislesTestDatabase.h"
#include "FaultInjection.h"
#include "FloorplanPanel.h"
#include "FloorplanView.h"
#include "PickAisleForm.h"
#include "ResizeHandle.h"
#include "ScriptedMessageService.h"
#include "SequencePanel.h"
#include "TaggedComboBox.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>

class AislesPageTest : public AislesDatabaseTest {
protected:
    AislesPageTest() {
        shop = addShop(QStringLiteral("Corner Market"));
        for (const char* name : {"Bakery", "Dairy", "Fruit", "Meat"})
            cats.push_back(addCategory(QString::fromLatin1(name)));
        page.resize(633, 500);
        page.move(400, 300); // clear of the pick-aisle dialog at the screen's corner
    }
    void open() {
        page.show();
        page.AisleTabSheetShow();
    }
    FloorplanPanel& plan() { return *page.FloorTabSheet; }
    FloorplanView* view() { return page.FloorTabSheet->FloorPlan; }
    SequencePanel& seq() { return *page.SequenceTabSheet; }
    QRect rectOf(int i) {
        const FloorAisle& a = plan().aisles().at(i);
        return QRect(QPoint(a.RectLeft, a.RectTop), QPoint(a.RectRight, a.RectBottom));
    }
    // Drags from a point of the source list to a point of another widget, the way the mouse does.
    // Once the drag runs, the events go to the widget that grabbed the mouse, as the window system sends
    // them.
    static void dragList(TaggedListBox* source, QPoint from, QWidget* target, QPoint to) {
        QTest::mousePress(source->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(source->viewport(), from + QPoint(20, 0));
        QWidget* receiver = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : source->viewport();
        const QPoint end = receiver->mapFromGlobal(target->mapToGlobal(to));
        QTest::mouseMove(receiver, end);
        QTest::mouseRelease(receiver, Qt::LeftButton, {}, end);
    }
    static QPoint rowPoint(TaggedListBox* list, int row) {
        return list->visualItemRect(list->item(row)).center();
    }

    ScriptedMessageService messages;
    AislesPage page{&db};
    int shop = 0;
    std::vector<int> cats;
};

TEST_F(AislesPageTest, ShowSelectsTheOnlyShopAndLeavingTheFloorplanRenumbers) {
    addAisle(shop, cats[1], 15, 20, 20, 120, 40);
    addAisle(shop, cats[0], 2.5, 20, 60, 120, 80);
    addAisle(shop, cats[2], 10);
    open();
    EXPECT_EQ(page.AislesShopCombo->selectedId(), shop);
    EXPECT_EQ(page.AisleShopID(), shop);
    EXPECT_TRUE(page.FloorplanToolBar->isVisible());
    ASSERT_EQ(plan().aisles().count(), 3);
    EXPECT_TRUE(page.FPSelectallBtn->isEnabled());
    EXPECT_FALSE(page.FPDeleteBtn->isEnabled());

    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    EXPECT_FALSE(page.FloorplanToolBar->isVisible());
    EXPECT_EQ(sequences(shop), (std::vector<double>{100, 110, 120}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[2], cats[1]}));
    EXPECT_EQ(seq().AislesLB->count(), 3);
    EXPECT_TRUE(seq().AislesLB->onFloorPlan(0));
    EXPECT_FALSE(seq().AislesLB->onFloorPlan(1));
    EXPECT_EQ(seq().AisleCatLB->count(), 1);

    // Leaving the page with the plan shown writes it back and remembers the shop.
    page.PageControl2->setCurrentIndex(AislesPage::FloorplanSubPage);
    plan().aisles().at(0).RectLeft = 200;
    page.leaveStep();
    EXPECT_EQ(page.SavedAisleShopID(), shop);
    EXPECT_EQ(rows(shop)[0].rect.left(), 200);
    EXPECT_TRUE(plan().aisles().isEmpty());
    page.leaveStep(); // a second leave must not write the emptied plan
    EXPECT_EQ(rows(shop).size(), 3u);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(AislesPageTest, ToolsMenuHookStoresThePlanAndReloadsIt) {
    const int second = addShop(QStringLiteral("Bargain Barn"));
    addAisle(second, cats[0], 5, 0, 0, 100, 20);
    page.setSavedAisleShopID(second);
    open();
    ASSERT_EQ(page.AisleShopID(), second);
    plan().aisles().at(0).RectTop = 40;
    page.beforeToolsOrPrint();
    EXPECT_EQ(rows(second)[0].rect.top(), 40);
    EXPECT_EQ(rows(second)[0].sequence, 100);
    EXPECT_EQ(plan().aisles().count(), 1); // shown again at once
    // A shop change writes the previous shop's plan back first.
    plan().aisles().at(0).RectTop = 80;
    page.AislesShopCombo->setCurrentIndex(1); // "Corner Market" sorts after "Bargain Barn"
    page.AislesShopComboClick();
    EXPECT_EQ(rows(second)[0].rect.top(), 80);
    EXPECT_EQ(page.AisleShopID(), shop);
}

TEST_F(AislesPageTest, DraggingBetweenTheSequenceListsAddsReordersAndDeletes) {
    addAisle(shop, cats[0], 10);
    open();
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    TaggedListBox* aisles = seq().AislesLB;
    TaggedListBox* available = seq().AisleCatLB;
    ASSERT_EQ(available->count(), 3);

    // Nothing selected: no drag starts.
    available->clearSelection();
    QTest::mousePress(available->viewport(), Qt::LeftButton, {}, QPoint(5, 200));
    EXPECT_FALSE(available->draggable());
    QTest::mouseRelease(available->viewport(), Qt::LeftButton, {}, QPoint(5, 200));

    // Two categories dropped below the last aisle (renumbered 100 when the plan was left): 110 and 120,
    // selected afterwards.
    available->item(0)->setSelected(true);
    available->item(2)->setSelected(true);
    dragList(available, rowPoint(available, 0), aisles->viewport(), QPoint(20, 150));
    EXPECT_EQ(sequences(shop), (std::vector<double>{100, 110, 120}));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[1], cats[3]}));
    EXPECT_EQ(aisles->selectedIds(), (std::vector<int>{cats[1], cats[3]}));
    EXPECT_EQ(seq().InsertionLineY, -1);
    EXPECT_EQ(aisles->dropLine(), -1);

    // The last aisle dropped on the first entry goes before it.
    aisles->clearSelection();
    aisles->item(2)->setSelected(true);
    dragList(aisles, rowPoint(aisles, 2), aisles->viewport(), rowPoint(aisles, 0));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[3], cats[0], cats[1]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{50, 100, 110}));

    // Dragging aisles back deletes them; their categories come back selected.
    aisles->clearSelection();
    aisles->item(0)->setSelected(true);
    aisles->item(2)->setSelected(true);
    dragList(aisles, rowPoint(aisles, 0), available->viewport(), QPoint(20, 20));
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0]}));
    EXPECT_EQ(available->selectedIds(), (std::vector<int>{cats[1], cats[3]}));

    // The available list refuses its own entries.
    EXPECT_FALSE(seq().dragOver(available, available->mapToGlobal(QPoint(10, 10))));
}

TEST_F(AislesPageTest, DropLineAndAutoScroll) {
    for (int i = 0; i < 30; ++i)
        addAisle(shop, addCategory(QStringLiteral("Cat %1").arg(i, 2, 10, QChar('0'))), 10 * (i + 1));
    open();
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    TaggedListBox* aisles = seq().AislesLB;
    ASSERT_GT(aisles->count(), aisles->rowsThatFit());
    aisles->item(0)->setSelected(true);
    seq().startDrag(aisles);
    EXPECT_TRUE(seq().dragOver(aisles, aisles->viewport()->mapToGlobal(QPoint(10, 37))));
    EXPECT_EQ(seq().InsertionLineY, 32);
    EXPECT_EQ(aisles->dropLine(), 32);
    // Below the list: the timer starts at 400 ms and then ticks every 180 ms.
    const QPoint below = seq().mapToGlobal(QPoint(aisles->x() + 20, aisles->geometry().bottom() + 5));
    EXPECT_FALSE(seq().dragOver(aisles, below));
    EXPECT_TRUE(seq().ScrollTimer->isActive());
    EXPECT_EQ(seq().ScrollTimer->interval(), 400);
    EXPECT_GT(seq().ScrollDirection, 0);
    seq().ScrollTimerTimer();
    EXPECT_EQ(seq().ScrollTimer->interval(), 180);
    EXPECT_EQ(aisles->topRow(), 1);
    EXPECT_EQ(aisles->dropLine(), 32);
    seq().endDrag(aisles);
    EXPECT_FALSE(seq().ScrollTimer->isActive());
    EXPECT_EQ(seq().ScrollTimer->interval(), 400);
    EXPECT_EQ(aisles->dropLine(), -1);
}

TEST_F(AislesPageTest, MouseSelectsMovesAndResizesOnThePlan) {
    addAisle(shop, cats[0], 10, 20, 20, 120, 40);
    addAisle(shop, cats[1], 20, 20, 60, 120, 80);
    open();
    FloorplanView* v = view();
    QTest::mouseClick(v, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(plan().aisles().selectedCount(), 1);
    EXPECT_TRUE(page.FPSeqBeforeBtn->isEnabled());
    EXPECT_TRUE(v->handle(ShopAisles::Handle::TopLeft)->isVisible());
    EXPECT_EQ(v->handle(ShopAisles::Handle::BottomRight)->pos(), QPoint(120 + 3 - 7, 40 + 2 - 7));

    QTest::mouseClick(v, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 70));
    EXPECT_EQ(plan().aisles().selectedCount(), 2);
    EXPECT_FALSE(v->handle(ShopAisles::Handle::TopLeft)->isVisible());
    EXPECT_FALSE(page.FPSeqBeforeBtn->isEnabled());

    QTest::mousePress(v, Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseMove(v, QPoint(71, 30));
    EXPECT_EQ(v->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseRelease(v, Qt::LeftButton, {}, QPoint(71, 30));
    EXPECT_EQ(rectOf(0), QRect(QPoint(60, 20), QPoint(160, 40)));
    EXPECT_EQ(rectOf(1), QRect(QPoint(60, 60), QPoint(160, 80)));
    EXPECT_NE(v->cursor().shape(), Qt::SizeAllCursor);

    // Resize the single selected aisle by its bottom-right handle.
    QTest::mouseClick(v, Qt::LeftButton, {}, QPoint(70, 30));
    ResizeHandle* br = v->handle(ShopAisles::Handle::BottomRight);
    QTest::mousePress(br, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(br, QPoint(3 - 40, 3 + 20));
    QTest::mouseRelease(br, Qt::LeftButton, {}, QPoint(3 - 40, 3 + 20));
    EXPECT_EQ(rectOf(0), QRect(QPoint(60, 20), QPoint(120, 60)));

    // Right-click opens the popup with the items enabled as the selection allows.
    QTest::mouseClick(v, Qt::RightButton, {}, QPoint(300, 300));
    EXPECT_TRUE(page.FloorplanPopup->isVisible());
    EXPECT_TRUE(page.Setsequence1->isEnabled());
    page.FloorplanPopup->hide();
    // The arrows toggle keeps button and menu item together.
    page.FPArrowsBtn->trigger();
    EXPECT_FALSE(page.Sequencearrows1->isChecked());
    EXPECT_FALSE(page.FPArrowsBtn->isChecked());
    EXPECT_FALSE(v->sequenceArrows());
    page.Sequencearrows1->trigger();
    EXPECT_TRUE(page.FPArrowsBtn->isChecked());
}

TEST_F(AislesPageTest, HoverHintNamesTheAisleUnderThePointer) {
    addAisle(shop, cats[2], 10, 20, 20, 120, 40);
    open();
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 30), view()->mapToGlobal(QPointF(30, 30)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view(), &move);
    EXPECT_TRUE(page.AisleHint->isVisible());
    EXPECT_EQ(page.AisleHint->text(), QStringLiteral("Fruit"));
    EXPECT_EQ(page.AisleHint->AisleHintTimer->interval(), 3000);
    QMouseEvent away(QEvent::MouseMove, QPointF(300, 300), view()->mapToGlobal(QPointF(300, 300)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view(), &away);
    EXPECT_FALSE(page.AisleHint->isVisible());
}

TEST_F(AislesPageTest, PlacingFromThePopupAndFromThePickAisleDialog) {
    for (int c : cats)
        addAisle(shop, c, 10 * c);
    open();
    ASSERT_TRUE(page.FPAddAllUnplacedBtn->isEnabled());

    // The dialog lists the unplaced aisles of the shop.
    page.FPAddAisleBtn->trigger();
    ASSERT_TRUE(page.PickAisle->isVisible());
    EXPECT_TRUE(page.Addaisle1->isChecked());
    EXPECT_TRUE(page.FPAddAisleBtn->isChecked());
    EXPECT_EQ(page.PickAisle->windowTitle(), QStringLiteral("Unplaced aisles at Corner Market"));
    TaggedListBox* pick = page.PickAisle->AislesLB;
    ASSERT_EQ(pick->count(), 4);

    // Two entries dropped at (57, 33) while scrolled down by 100.
    plan().FPVScrollBar->setValue(100);
    ASSERT_EQ(view()->ScrollOffset, QPoint(0, 100));
    pick->item(1)->setSelected(true);
    pick->item(3)->setSelected(true);
    dragList(pick, rowPoint(pick, 1), view(), QPoint(57, 33));
    EXPECT_EQ(rectOf(1), QRect(QPoint(40, 120), QPoint(140, 140)));
    EXPECT_EQ(rectOf(3), QRect(QPoint(40, 160), QPoint(140, 180)));
    EXPECT_EQ(plan().aisles().selectedCount(), 2);
    EXPECT_EQ(pick->count(), 2);

    // The rest from the popup opened at (57, 33), scrolled back to the top.
    plan().FPVScrollBar->setValue(0);
    page.FloorplanPopupPopup(view()->mapToGlobal(QPoint(57, 33)));
    page.Addallunplaced1->trigger();
    page.FloorplanPopup->hide();
    EXPECT_EQ(rectOf(0), QRect(QPoint(40, 20), QPoint(140, 40)));
    EXPECT_EQ(rectOf(2), QRect(QPoint(40, 60), QPoint(140, 80)));
    EXPECT_EQ(pick->count(), 0);

    // Leaving the plan hides the dialog and stores the placements.
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    EXPECT_FALSE(page.PickAisle->isVisible());
    EXPECT_FALSE(page.Addaisle1->isChecked());
    const auto stored = rows(shop);
    EXPECT_EQ(stored[1].rect, QRect(QPoint(40, 120), QPoint(140, 140)));
    for (int row = 0; row < seq().AislesLB->count(); ++row)
        EXPECT_TRUE(seq().AislesLB->onFloorPlan(row));
}

TEST_F(AislesPageTest, AddAllFromTheToolbarThenDeleteTwo) {
    for (int c : cats)
        addAisle(shop, c, 10 * c);
    addAisle(shop, addCategory(QStringLiteral("Placed")), 100, 300, 300, 400, 320);
    open();
    page.FPAddAllUnplacedBtn->trigger();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(rectOf(i), QRect(QPoint(20, 20 + 40 * i), QPoint(120, 40 + 40 * i)));
    EXPECT_EQ(plan().aisles().selectedCount(), 4);
    EXPECT_FALSE(plan().aisles().at(4).Selected);

    QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseClick(view(), Qt::LeftButton, Qt::ControlModifier, QPoint(30, 110));
    ASSERT_TRUE(page.FPDeleteBtn->isEnabled());
    page.FPDeleteBtn->trigger();
    // The rows are gone at once, before any write-back.
    EXPECT_EQ(order(shop).size(), 3u);
    EXPECT_EQ(plan().aisles().count(), 3);
    EXPECT_FALSE(page.FPDeleteBtn->isEnabled());

    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    QStringList available;
    for (int row = 0; row < seq().AisleCatLB->count(); ++row)
        available << seq().AisleCatLB->item(row)->text();
    EXPECT_EQ(available, (QStringList{QStringLiteral("%1###Bakery").arg(cats[0]),
                                      QStringLiteral("%1###Fruit").arg(cats[2])}));
}

TEST_F(AislesPageTest, WithoutAShopNothingIsListedOrWritten) {
    addShop(QStringLiteral("Second"));
    addAisle(shop, cats[0], 10, 0, 0, 100, 20);
    page.setSavedAisleShopID(-5);
    open();
    EXPECT_EQ(page.AislesShopCombo->currentIndex(), -1);
    EXPECT_FALSE(page.FPAddAllUnplacedBtn->isEnabled());
    EXPECT_FALSE(page.FPPrintBtn->isEnabled());
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    EXPECT_EQ(seq().AislesLB->count(), 0);
    EXPECT_EQ(seq().AisleCatLB->count(), 0);
    EXPECT_EQ(rows(shop).size(), 1u);
}

TEST_F(AislesPageTest, AFailedWriteKeepsThePlanAndItsEditsOnScreen) {
    const int second = addShop(QStringLiteral("Bargain Barn"));
    addAisle(shop, cats[0], 10, 0, 0, 100, 20);
    page.setSavedAisleShopID(shop);
    open();
    ASSERT_EQ(plan().aisles().count(), 1);
    plan().aisles().at(0).RectTop = 60;

    engine::FaultInjection::failTable(QStringLiteral("Aisles"));
    const std::unique_ptr<void, void (*)(void*)> disarm(&page,
                                                        [](void*) { engine::FaultInjection::disarm(); });
    // Switching to the sequence: the error is shown and the floor plan stays in front.
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(page.PageControl2->currentIndex(), int(AislesPage::FloorplanSubPage));
    EXPECT_TRUE(page.FloorplanToolBar->isVisible());
    // Opening the Tools or Print menu: no reload.
    page.beforeToolsOrPrint();
    EXPECT_EQ(messages.count(), 2);
    // Choosing another shop: the selector goes back to the shop whose plan is shown.
    page.AislesShopCombo->setCurrentIndex(0);
    ASSERT_EQ(page.AislesShopCombo->selectedId(), second);
    emit page.AislesShopCombo->activated(0);
    EXPECT_EQ(messages.count(), 3);
    EXPECT_EQ(page.AislesShopCombo->selectedId(), shop);
    EXPECT_EQ(page.AisleShopID(), shop);
    // Leaving the page and coming back tries again and keeps the plan while it fails.
    EXPECT_FALSE(page.leaveStep());
    EXPECT_EQ(messages.count(), 4);
    // The show step's failure goes on to the general error display, before anything is reloaded.
    EXPECT_THROW(page.AisleTabSheetShow(), engine::EngineError);
    ASSERT_EQ(plan().aisles().count(), 1);
    EXPECT_EQ(plan().aisles().at(0).RectTop, 60);

    engine::FaultInjection::disarm();
    EXPECT_EQ(rows(shop)[0].rect.top(), 0);
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    EXPECT_EQ(page.PageControl2->currentIndex(), int(AislesPage::SequenceSubPage));
    EXPECT_EQ(rows(shop)[0].rect.top(), 60);
    EXPECT_EQ(messages.count(), 4);
}

// The sequence from the keyboard: Enter and Insert add after the aisle list's current aisle, Alt+Up and
// Ctrl+Down move through the same drops as the mouse, Delete deletes; each is stored at once.
TEST_F(AislesPageTest, KeysOnTheSequenceListsAddMoveAndDelete) {
    addAisle(shop, cats[0], 10);
    addAisle(shop, cats[1], 20);
    open();
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage); // renumbered 100, 110
    TaggedListBox* aisles = seq().AislesLB;
    TaggedListBox* available = seq().AisleCatLB;
    aisles->setCurrentRow(0);
    available->setCurrentRow(1); // Meat
    QTest::keyClick(available, Qt::Key_Return);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[1]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{100, 105, 110}));
    EXPECT_EQ(aisles->selectedIds(), (std::vector<int>{cats[3]}));
    ASSERT_EQ(available->count(), 1);
    EXPECT_EQ(available->selectedIds(), (std::vector<int>{cats[2]})); // next in line

    QTest::keyClick(available, Qt::Key_Insert); // after Meat, the aisle just added
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[2], cats[1]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{100, 105, 107.5, 110}));

    QTest::keyClick(aisles, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[2], cats[3], cats[1]}));
    EXPECT_EQ(sequences(shop), (std::vector<double>{100, 102.5, 105, 110}));
    EXPECT_EQ(aisles->selectedIds(), (std::vector<int>{cats[2]}));
    EXPECT_EQ(aisles->currentRow(), 1);
    QTest::keyClick(aisles, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[2], cats[1]}));

    QTest::keyClick(aisles, Qt::Key_Delete);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[1]}));
    EXPECT_EQ(available->selectedIds(), (std::vector<int>{cats[2]}));
    EXPECT_EQ(aisles->selectedIds(), (std::vector<int>{cats[1]})); // the aisle that took its place
    // A plain arrow is still the list's own.
    QTest::keyClick(aisles, Qt::Key_Up);
    EXPECT_EQ(aisles->currentRow(), 1);
    EXPECT_EQ(order(shop), (std::vector<int>{cats[0], cats[3], cats[1]}));
}

// The plan from the keyboard: Tab walks the placed aisles and scrolls to them, arrows move and Shift+arrows
// resize a grid step, Delete takes aisles off the plan (into the open list of unplaced aisles, where Enter
// places them again), and the plan is written back as after mouse edits.
TEST_F(AislesPageTest, KeysOnTheFloorplanMoveResizeUnplaceAndWalk) {
    addAisle(shop, cats[0], 10, 20, 20, 120, 40);
    addAisle(shop, cats[1], 20, 20, 60, 120, 80);
    addAisle(shop, cats[2], 30);
    addAisle(shop, cats[3], 40, 1500, 20, 1600, 40);
    open();
    FloorplanView* v = view();
    QTest::keyClick(v, Qt::Key_Backtab); // from nothing: the last aisle, scrolled into view
    EXPECT_EQ(v->currentAisle(), 3);
    EXPECT_EQ(v->ScrollOffset.x(), 1601 - v->width()); // its right edge just in view
    QTest::keyClick(v, Qt::Key_Tab);                   // round the end, past nothing unplaced
    EXPECT_EQ(v->currentAisle(), 0);
    EXPECT_EQ(v->ScrollOffset.x(), 20); // its left edge just in view
    QTest::keyClick(v, Qt::Key_Tab);
    QTest::keyClick(v, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(v->currentAisle(), 0);
    EXPECT_TRUE(v->handle(ShopAisles::Handle::TopLeft)->isVisible());
    EXPECT_TRUE(page.FPDeleteBtn->isEnabled());

    QTest::keyClick(v, Qt::Key_Right);
    QTest::keyClick(v, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(rectOf(0), QRect(QPoint(40, 20), QPoint(140, 60)));
    EXPECT_EQ(v->handle(ShopAisles::Handle::BottomRight)->pos(),
              QPoint(140 + 3 - 7, 60 + 2 - 7) - v->ScrollOffset);

    page.FPAddAisleBtn->trigger();
    TaggedListBox* pick = page.PickAisle->AislesLB;
    ASSERT_EQ(pick->count(), 1);
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_FALSE(plan().aisles().at(0).placed());
    EXPECT_EQ(plan().aisles().selectedCount(), 0);
    EXPECT_EQ(order(shop).size(), 4u); // nothing deleted
    ASSERT_EQ(pick->count(), 2);
    pick->setCurrentRow(0); // Bakery, first in walking order
    QTest::keyClick(pick, Qt::Key_Return);
    EXPECT_EQ(pick->count(), 1);
    EXPECT_EQ(rectOf(0), QRect(QPoint(40, 20), QPoint(140, 40))); // from the view's top-left grid point
    QTest::keyClick(v, Qt::Key_Escape);
    EXPECT_EQ(plan().aisles().selectedCount(), 0);
    QTest::keyClick(v, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(plan().aisles().selectedCount(), 3);
    QTest::keyClick(v, Qt::Key_Menu);
    EXPECT_TRUE(page.FloorplanPopup->isVisible());
    page.FloorplanPopup->hide();

    QTest::keyClick(v, Qt::Key_Left); // all three, one step left
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    const auto stored = rows(shop);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[0].rect, QRect(QPoint(20, 20), QPoint(120, 40)));
    EXPECT_EQ(stored[1].rect, QRect(QPoint(0, 60), QPoint(100, 80)));
    EXPECT_EQ(stored[2].rect.left(), -1);
    EXPECT_EQ(stored[3].rect, QRect(QPoint(1480, 20), QPoint(1580, 40)));
}

// A screen reader gets the plan as a list of its placed aisles, named and selected as on screen, with the
// aisle the keys work from as the focus; the sequence lists and the shop selector give names without ids.
TEST_F(AislesPageTest, AssistiveTechnologyHearsTheAislesAndTheNames) {
    addAisle(shop, cats[1], 10, 20, 20, 120, 40);
    addAisle(shop, cats[2], 20);
    addAisle(shop, cats[0], 30, 20, 60, 120, 80);
    open();
    FloorplanView* v = view();
    QAccessibleInterface* plan = QAccessible::queryAccessibleInterface(v);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->role(), QAccessible::List);
    EXPECT_EQ(plan->text(QAccessible::Name), QStringLiteral("Floor plan"));
    ASSERT_EQ(plan->childCount(), 2); // the unplaced aisle is not on the plan
    EXPECT_EQ(plan->child(1)->text(QAccessible::Name), QStringLiteral("Bakery"));
    EXPECT_EQ(plan->child(1)->text(QAccessible::Description),
              QStringLiteral("Left 20, top 60, 100 wide, 20 high"));
    EXPECT_EQ(plan->child(1)->parent(), plan);
    EXPECT_EQ(plan->indexOfChild(plan->child(1)), 1);
    EXPECT_EQ(plan->childAt(v->mapToGlobal(QPoint(30, 70)).x(), v->mapToGlobal(QPoint(30, 70)).y()),
              plan->child(1));
    EXPECT_EQ(plan->child(0)->rect(), QRect(v->mapToGlobal(QPoint(20, 20)), QSize(101, 21)));

    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    v->setFocus();
    EXPECT_EQ(plan->focusChild(), nullptr); // nothing selected yet
    QTest::keyClick(v, Qt::Key_Tab);
    QTest::keyClick(v, Qt::Key_Tab);
    EXPECT_TRUE(plan->child(1)->state().selected);
    EXPECT_FALSE(plan->child(0)->state().selected);
    EXPECT_EQ(plan->focusChild(), plan->child(1));
    EXPECT_TRUE(plan->child(1)->state().focused);
    EXPECT_TRUE(plan->state().focused);
    QTest::keyClick(v, Qt::Key_Right);
    EXPECT_EQ(plan->child(1)->rect().topLeft(), v->mapToGlobal(QPoint(40, 60)));
    QTest::keyClick(v, Qt::Key_Delete);
    EXPECT_EQ(plan->childCount(), 1);
    EXPECT_FALSE(plan->child(1));
    EXPECT_EQ(plan->text(QAccessible::Value), QStringLiteral("1 aisle on the plan, 0 selected"));

    QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(page.AislesShopCombo);
    EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("Corner Market"));
    page.PageControl2->setCurrentIndex(AislesPage::SequenceSubPage);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(seq().AislesLB);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Aisle sequence in this shop"));
    ASSERT_TRUE(list->child(2));
    EXPECT_EQ(list->child(0)->text(QAccessible::Name), QStringLiteral("Dairy"));
    EXPECT_EQ(list->child(0)->text(QAccessible::Description), QStringLiteral("On the floor plan"));
    EXPECT_EQ(list->child(1)->text(QAccessible::Description), QString());
}
