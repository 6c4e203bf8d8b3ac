#include "ShopAisles.h"
#include "AislesTestDatabase.h"
#include "EngineError.h"
#include "FloorplanEditor.h"

namespace {

FloorAisle aisle(int category, int l = -1, int t = 0, int r = 0, int b = 0) {
    FloorAisle a;
    a.Category = category;
    a.CatName = QStringLiteral("C%1").arg(category);
    a.RectLeft = l;
    a.RectTop = t;
    a.RectRight = r;
    a.RectBottom = b;
    return a;
}

QRect rectOf(const FloorAisle& a) {
    return QRect(QPoint(a.RectLeft, a.RectTop), QPoint(a.RectRight, a.RectBottom));
}

std::vector<int> categories(const ShopAisles& s) {
    std::vector<int> out;
    for (int i = 0; i < s.count(); ++i)
        out.push_back(s.at(i).Category);
    return out;
}

} // namespace

using Handle = ShopAisles::Handle;

class ShopAislesDbTest : public AislesDatabaseTest {};

TEST_F(ShopAislesDbTest, LoadAndWriteBackRenumberInWalkingOrder) {
    const int shop = addShop(QStringLiteral("Corner Market"));
    const int other = addShop(QStringLiteral("Other"));
    const int a = addCategory(QStringLiteral("Bakery")), b = addCategory(QStringLiteral("Dairy")),
              c = addCategory(QStringLiteral("Fruit"));
    addAisle(shop, b, 10, 0, 0, 100, 20);
    addAisle(shop, a, 2.5, 20, 40, 120, 60);
    addAisle(shop, c, 15);                       // unplaced, stored without the other rectangle fields
    addAisle(shop, 70000, 20, 40, 80, 140, 100); // category id beyond 16 bits, no Categories row
    addAisle(other, a, 5, 1, 2, 3, 4);

    ShopAisles plan;
    plan.load(db, shop);
    ASSERT_EQ(categories(plan), (std::vector<int>{a, b, c, 70000}));
    EXPECT_EQ(plan.at(0).CatName, QStringLiteral("Bakery"));
    EXPECT_EQ(plan.at(3).CatName, QString());
    EXPECT_EQ(plan.at(2).RectLeft, -1);
    EXPECT_EQ(plan.at(2).RectBottom, 0);

    plan.writeBack(db, shop);
    EXPECT_TRUE(plan.isEmpty());
    const std::vector<Row> expected{{a, 100, QRect(QPoint(20, 40), QPoint(120, 60))},
                                    {b, 110, QRect(QPoint(0, 0), QPoint(100, 20))},
                                    {c, 120, QRect(QPoint(-1, 0), QPoint(0, 0))},
                                    {70000, 130, QRect(QPoint(40, 80), QPoint(140, 100))}};
    EXPECT_EQ(rows(shop), expected);
    EXPECT_EQ(rows(other).size(), 1u);
}

TEST_F(ShopAislesDbTest, AFailedWriteBackLeavesTheStoredPlanAsItWas) {
    const int shop = addShop(QStringLiteral("Corner Market"));
    const int a = addCategory(QStringLiteral("Bakery")), b = addCategory(QStringLiteral("Dairy"));
    addAisle(shop, a, 10, 0, 0, 100, 20);
    addAisle(shop, b, 20);
    const auto before = rows(shop);

    ShopAisles plan;
    plan.load(db, shop);
    plan.append(plan.at(0)); // the same category twice cannot be stored
    EXPECT_THROW(plan.writeBack(db, shop), engine::EngineError);
    EXPECT_EQ(rows(shop), before);
    EXPECT_EQ(plan.count(), 3); // the edits are still in memory
}

TEST_F(ShopAislesDbTest, DeletingSelectedAislesDeletesTheirRowsAtOnce) {
    const int shop = addShop(QStringLiteral("Corner Market"));
    const int a = addCategory(QStringLiteral("A")), b = addCategory(QStringLiteral("B")),
              c = addCategory(QStringLiteral("C"));
    addAisle(shop, a, 10, 0, 0, 100, 20);
    addAisle(shop, b, 20, 0, 40, 100, 60);
    addAisle(shop, c, 30, 0, 80, 100, 100);
    ShopAisles plan;
    plan.load(db, shop);
    plan.select(2);
    plan.select(0);
    plan.append(aisle(999, 0, 200, 100, 220)); // no row for it: still removed from the plan
    plan.select(3);
    plan.deleteSelected(db, shop);
    EXPECT_EQ(categories(plan), (std::vector<int>{b}));
    EXPECT_TRUE(plan.selected().empty());
    EXPECT_EQ(order(shop), (std::vector<int>{b}));
}

TEST(ShopAisles, HitTestFollowsWalkingOrderWithExclusiveFarEdges) {
    ShopAisles plan;
    plan.append(aisle(1)); // unplaced: never hit
    plan.append(aisle(2, 40, 40, 140, 60));
    plan.append(aisle(3, 0, 0, 100, 100)); // overlaps the one before
    EXPECT_EQ(plan.hitTest({50, 50}), 1);
    EXPECT_EQ(plan.hitTest({40, 40}), 1);
    EXPECT_EQ(plan.hitTest({140, 50}), -1);
    EXPECT_EQ(plan.hitTest({99, 99}), 2);
    EXPECT_EQ(plan.hitTest({100, 30}), -1);
    EXPECT_EQ(plan.hitTest({0, 0}), 2);
}

TEST(ShopAisles, ResizeRefusesNegativeEdgesAndEmptyRectangles) {
    ShopAisles plan;
    plan.append(aisle(1, 20, 20, 120, 40)); // 100 x 20
    plan.select(0);
    EXPECT_FALSE(plan.resizeSelected(Handle::BottomRight, 0, -20)); // zero height
    EXPECT_TRUE(plan.resizeSelected(Handle::BottomRight, -20, 0));
    EXPECT_EQ(rectOf(plan.at(0)), QRect(QPoint(20, 20), QPoint(100, 40)));
    // The origin test applies the step to the left and top edges whichever handle is dragged.
    EXPECT_FALSE(plan.resizeSelected(Handle::BottomRight, -40, 0));
    EXPECT_FALSE(plan.resizeSelected(Handle::BottomLeft, 0, -40));
    EXPECT_TRUE(plan.resizeSelected(Handle::TopLeft, -20, -20));
    EXPECT_EQ(rectOf(plan.at(0)), QRect(QPoint(0, 0), QPoint(100, 40)));
    EXPECT_FALSE(plan.resizeSelected(Handle::TopLeft, -20, 0)); // left would be -20
    EXPECT_TRUE(plan.resizeSelected(Handle::TopRight, 20, 0));
    EXPECT_TRUE(plan.resizeSelected(Handle::BottomLeft, 0, 20));
    EXPECT_EQ(rectOf(plan.at(0)), QRect(QPoint(0, 0), QPoint(120, 60)));
    EXPECT_FALSE(plan.resizeSelected(Handle::BottomLeft, 120, 0)) << "left would meet right";
}

TEST(ShopAisles, PlacingAllUnplacedFormsASelectedColumn) {
    ShopAisles plan;
    plan.append(aisle(1, 200, 200, 300, 220));
    plan.append(aisle(2));
    plan.append(aisle(3));
    plan.append(aisle(4));
    plan.select(0);
    EXPECT_EQ(plan.placeColumn({20, 20}, nullptr), 3);
    EXPECT_EQ(rectOf(plan.at(1)), QRect(QPoint(20, 20), QPoint(120, 40)));
    EXPECT_EQ(rectOf(plan.at(2)), QRect(QPoint(20, 60), QPoint(120, 80)));
    EXPECT_EQ(rectOf(plan.at(3)), QRect(QPoint(20, 100), QPoint(120, 120)));
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(1), &plan.at(2), &plan.at(3)}));
    EXPECT_FALSE(plan.at(0).Selected);
    // With nothing left unplaced it only deselects.
    EXPECT_EQ(plan.placeColumn({57, 33}, nullptr), 0);
    EXPECT_TRUE(plan.selected().empty());

    ShopAisles popup;
    popup.append(aisle(1));
    popup.placeColumn({57, 33}, nullptr);
    EXPECT_EQ(rectOf(popup.at(0)), QRect(QPoint(40, 20), QPoint(140, 40)));
}

class EditorTest : public ::testing::Test {
protected:
    EditorTest() : editor(plan) {
        for (int i = 0; i < 4; ++i)
            plan.append(aisle(i + 1, 20, 20 + 40 * i, 120, 40 + 40 * i)); // A, B, C, D in a column
    }
    void drag(QPoint from, QPoint to, bool ctrl = false) {
        editor.press(from, {}, ctrl);
        editor.move(to);
        editor.releaseLeft();
    }
    ShopAisles plan;
    FloorplanEditor editor;
};

TEST_F(EditorTest, MovesGoByWholeGridStepsRoundingHalfToEven) {
    const QPoint down(30, 30);
    const auto moveBy = [&](int dx) {
        plan.at(0).RectLeft = 20;
        plan.at(0).RectRight = 120;
        drag(down, down + QPoint(dx, 0));
        return plan.at(0).RectLeft - 20;
    };
    EXPECT_EQ(moveBy(9), 0);
    EXPECT_EQ(moveBy(10), 0);
    EXPECT_EQ(moveBy(11), 20);
    EXPECT_EQ(moveBy(30), 40);
    EXPECT_EQ(moveBy(50), 40);
    // The 10 pixels left over count towards the next step.
    plan.at(0).RectLeft = 20;
    plan.at(0).RectRight = 120;
    editor.press(down, {}, false);
    editor.move(down + QPoint(50, 0));
    EXPECT_EQ(editor.LastDragPoint, down + QPoint(40, 0));
    editor.move(down + QPoint(61, 0));
    editor.releaseLeft();
    EXPECT_EQ(plan.at(0).RectLeft, 80);
    EXPECT_EQ(plan.at(0).RectRight, 180);
}

TEST_F(EditorTest, TheThresholdCancelsAPendingSelectionBeforeAnyStep) {
    plan.select(0);
    plan.select(1);
    plan.select(2);
    editor.press({30, 30}, {}, false);
    EXPECT_TRUE(editor.PendingSelect);
    editor.move({33, 32}); // squared distance 13
    EXPECT_TRUE(editor.PendingSelect);
    EXPECT_EQ(editor.cursor(), FloorplanEditor::Cursor::Normal);
    editor.move({34, 34}); // 32
    EXPECT_FALSE(editor.PendingSelect);
    EXPECT_EQ(editor.cursor(), FloorplanEditor::Cursor::Move);
    EXPECT_EQ(plan.at(0).RectLeft, 20); // no grid step reached yet
    editor.move({52, 30});
    editor.releaseLeft();
    EXPECT_EQ(editor.cursor(), FloorplanEditor::Cursor::Normal);
    EXPECT_EQ(plan.selectedCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(plan.at(i).RectLeft, 40);
    EXPECT_EQ(plan.at(3).RectLeft, 20);

    // A press on one of several selected aisles and a release without moving keeps only that one.
    editor.press({50, 70}, {}, false);
    editor.releaseLeft();
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(1)}));
}

TEST_F(EditorTest, AMoveThatWouldLeaveThePlanIsRefusedAsAWhole) {
    plan.at(0).RectLeft = 0;
    plan.at(0).RectRight = 100;
    plan.select(0);
    plan.select(1);
    editor.press({30, 30}, {}, false);
    editor.move({10, 30});
    EXPECT_EQ(plan.at(0).RectLeft, 0);
    EXPECT_EQ(plan.at(1).RectLeft, 20);
    EXPECT_EQ(editor.LastDragPoint, QPoint(30, 30));
    editor.move({30, 50});
    editor.releaseLeft();
    EXPECT_EQ(plan.at(0).RectTop, 40);
    EXPECT_EQ(plan.at(1).RectTop, 80);
}

TEST_F(EditorTest, ClicksSelectAndCtrlClicksToggle) {
    editor.press({30, 30}, {}, false);
    editor.releaseLeft();
    editor.press({30, 70}, {}, true);
    editor.releaseLeft();
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(0), &plan.at(1)}));
    editor.press({30, 30}, {}, true);
    editor.releaseLeft();
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(1)}));
    editor.press({500, 500}, {}, true);
    editor.releaseLeft();
    EXPECT_TRUE(plan.selected().empty());
    // A press on a scrolled view hits in plan coordinates.
    editor.press({30, 10}, {0, 100}, false);
    editor.releaseLeft();
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(2)}));
}

TEST_F(EditorTest, SetSequenceOrders) {
    const QPoint A(30, 30), B(30, 70), C(30, 110), D(30, 150);
    const auto names = [&] {
        QString s;
        for (int i = 0; i < plan.count(); ++i)
            s += QChar('A' + plan.at(i).Category - 1);
        return s;
    };
    plan.select(0);
    editor.startSetSequence();
    EXPECT_EQ(editor.cursor(), FloorplanEditor::Cursor::PointingHand);
    drag(D, D);
    EXPECT_EQ(names(), QStringLiteral("ADBC"));
    EXPECT_FALSE(editor.SetSequenceMode);
    EXPECT_EQ(editor.cursor(), FloorplanEditor::Cursor::Normal);

    // Restore A, B, C, D; the rectangles stay where they are, so the points still name the aisles.
    plan.moveAfter(3, 1);
    ASSERT_EQ(names(), QStringLiteral("ABCD"));
    plan.selectOnly(0);
    editor.startSetSequence();
    drag(D, D, true);
    EXPECT_EQ(names(), QStringLiteral("ADBC"));
    EXPECT_EQ(plan.selected().front()->Category, 4);
    drag(C, C, true);
    EXPECT_EQ(names(), QStringLiteral("ADCB"));
    EXPECT_EQ(plan.selected().front()->Category, 3);
    EXPECT_TRUE(editor.SetSequenceMode);
    editor.releaseRight(); // ends the mode without a popup
    EXPECT_FALSE(editor.SetSequenceMode);

    ShopAisles fresh;
    FloorplanEditor e2(fresh);
    for (int i = 0; i < 4; ++i)
        fresh.append(aisle(i + 1, 20, 20 + 40 * i, 120, 40 + 40 * i));
    fresh.select(2);
    e2.startSetSequence();
    e2.press(A, {}, false);
    e2.releaseLeft();
    QString s;
    for (int i = 0; i < fresh.count(); ++i)
        s += QChar('A' + fresh.at(i).Category - 1);
    EXPECT_EQ(s, QStringLiteral("BCAD"));
    // Set sequence needs exactly one selected aisle.
    fresh.selectAllPlaced();
    EXPECT_FALSE(e2.startSetSequence().cursorChanged);
    EXPECT_FALSE(e2.SetSequenceMode);
    Q_UNUSED(B);
}

TEST_F(EditorTest, HandlesResizeInGridStepsAndSelectAllSkipsUnplaced) {
    plan.append(aisle(9));
    plan.selectOnly(0);
    editor.handlePress({120, 40});
    editor.handleMove(Handle::BottomRight, {120, 20}); // zero height: refused
    EXPECT_EQ(plan.at(0).RectBottom, 40);
    editor.handleMove(Handle::BottomRight, {100, 40});
    editor.handleRelease();
    EXPECT_EQ(plan.at(0).RectRight, 100);
    editor.selectAll();
    EXPECT_EQ(plan.selectedCount(), 4);
    EXPECT_FALSE(plan.at(4).Selected);
}

// The keys: a grid step at a time, refused as a whole at the plan's edge or when an aisle would vanish;
// Delete takes the selection off the plan; Tab walks the placed aisles round the end; Escape deselects.
TEST_F(EditorTest, KeysMoveResizeUnplaceAndWalkThroughTheAisles) {
    plan.append(aisle(9)); // unplaced, fifth in walking order
    EXPECT_EQ(editor.keyCycle(false).selectionChanged, true);
    EXPECT_EQ(editor.currentIndex(), 3); // backwards from nothing: the last placed aisle
    editor.keyCycle(true);
    EXPECT_EQ(editor.currentIndex(), 0); // past the unplaced one, round to the first
    EXPECT_EQ(plan.selected(), (std::vector<FloorAisle*>{&plan.at(0)}));

    EXPECT_TRUE(editor.keyMove(1, 1).moved);
    EXPECT_EQ(rectOf(plan.at(0)), QRect(QPoint(40, 40), QPoint(140, 60)));
    plan.toggle(1);
    editor.keyMove(-1, 0);
    EXPECT_FALSE(editor.keyMove(-1, 0).repaint); // B would leave the plan: neither moves
    EXPECT_EQ(plan.at(0).RectLeft, 20);
    EXPECT_EQ(plan.at(1).RectLeft, 0);

    EXPECT_TRUE(editor.keyResize(1, 0).rectsChanged); // both grow
    EXPECT_EQ(plan.at(0).RectRight, 140);
    EXPECT_EQ(plan.at(1).RectRight, 120);
    EXPECT_FALSE(editor.keyResize(0, -1).repaint); // 20 high: no height left
    EXPECT_EQ(plan.at(1).RectBottom, 80);
    EXPECT_EQ(editor.currentIndex(), 1);

    const FloorplanEditor::Effects off = editor.keyUnplace();
    EXPECT_TRUE(off.unplaced && off.selectionChanged);
    EXPECT_FALSE(plan.at(0).placed());
    EXPECT_FALSE(plan.at(1).placed());
    EXPECT_EQ(plan.selectedCount(), 0);
    EXPECT_EQ(plan.placedCount(), 2);
    EXPECT_FALSE(editor.keyUnplace().unplaced);

    editor.keyCycle(true);
    EXPECT_EQ(editor.currentIndex(), 2);
    EXPECT_TRUE(editor.keyEscape().selectionChanged);
    EXPECT_EQ(plan.selectedCount(), 0);
    // Set-sequence mode keeps the keys off the plan; Escape ends it.
    plan.selectOnly(2);
    editor.startSetSequence();
    EXPECT_FALSE(editor.keyMove(1, 0).repaint);
    EXPECT_TRUE(editor.keyEscape().cursorChanged);
    EXPECT_FALSE(editor.SetSequenceMode);
    EXPECT_EQ(plan.selectedCount(), 1);
}
