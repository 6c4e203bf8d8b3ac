#include "ControlsTestSupport.h"

#include "IndicatorHeader.h"
#include "ThemedDBGrid.h"
#include "ThemedHeader.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

using ui::IndicatorHeader;
using ui::ThemedDBGrid;

namespace {

class GridTest : public ShopsTest {
protected:
    void SetUp() override {
        QStringList names;
        for (int i = 0; i < 40; ++i)
            names << QStringLiteral("Shop %1").arg(i, 2, 10, QLatin1Char('0'));
        addShops(names);
        shops.first();
        grid.setDataSet(&shops);
        grid.setColumns({{QStringLiteral("ShopName"), QStringLiteral("Name"), 100},
                         {QStringLiteral("Address"), QStringLiteral("Address"), 120},
                         {QStringLiteral("Phone"), QStringLiteral("Phone"), 80}});
        grid.resize(400, 300);
        grid.show();
        grid.setFocus();
        QApplication::processEvents();
    }

    void wheel(int steps, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPoint at = grid.viewport()->rect().center();
        QWheelEvent e(at, grid.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &e);
    }

    void mouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                ? (type == QEvent::MouseMove && pressed_ ? Qt::LeftButton : Qt::NoButton)
                : Qt::MouseButtons(button);
        if (type == QEvent::MouseButtonPress)
            pressed_ = true;
        if (type == QEvent::MouseButtonRelease)
            pressed_ = false;
        QMouseEvent e(type, pos, target->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    }

    QPoint titleCentre(int column) const {
        ui::ThemedHeader* h = grid.titleHeader();
        return {h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2};
    }

    QPoint titleBorder(int column) const {
        ui::ThemedHeader* h = grid.titleHeader();
        return {h->sectionViewportPosition(column) + h->sectionSize(column) - 1, h->height() / 2};
    }

    ThemedDBGrid grid;
    bool pressed_ = false;
};

} // namespace

// The grid's current row and the object's current record follow each other; other rows can be chosen too.
TEST_F(GridTest, CurrentRowFollowsBothWaysAndMultiSelection) {
    EXPECT_EQ(grid.currentIndex().row(), 0);
    shops.moveTo(7);
    EXPECT_EQ(grid.currentIndex().row(), 7);
    EXPECT_EQ(grid.indicatorHeader()->markFor(7), IndicatorHeader::Mark::Arrow);

    grid.setCurrentIndex(grid.gridModel()->index(3, 1));
    EXPECT_EQ(shops.recNo(), 3);
    EXPECT_EQ(shops.field(QStringLiteral("ShopName")).asString(), QStringLiteral("Shop 03"));

    // Ctrl+click chooses further rows without losing the first.
    const QRect r5 = grid.visualRect(grid.gridModel()->index(5, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, r5.center());
    EXPECT_EQ(shops.recNo(), 5);
    EXPECT_EQ(grid.selectedRows(), (QList<int>{3, 5}));
    EXPECT_EQ(grid.indicatorHeader()->markFor(3), IndicatorHeader::Mark::Selected);
    EXPECT_EQ(grid.indicatorHeader()->markFor(4), IndicatorHeader::Mark::None);

    // The record's state shows in the indicator.
    shops.edit();
    EXPECT_EQ(grid.indicatorHeader()->markFor(5), IndicatorHeader::Mark::Edit);
    shops.cancel();
    shops.append();
    EXPECT_EQ(grid.indicatorHeader()->markFor(5), IndicatorHeader::Mark::Insert);
    shops.cancel();

    // Deleting the current record leaves the grid on the record that took its place.
    shops.deleteRecord();
    EXPECT_EQ(grid.gridModel()->rowCount(), 39);
    EXPECT_EQ(grid.currentIndex().row(), shops.recNo());
}

// A wheel step moves 2 rows, 1 with Shift, a page with Ctrl (Ctrl+Shift: a page down but one row up).
// A grid that showed many rows and then few takes a fresh indicator header, the memory of the many handed
// back; it stays shown, or hidden where a page hid it, rows keep their height and the marks follow the
// record.
TEST_F(GridTest, FewRowsAfterManyKeepTheIndicatorAsItWas) {
    QStringList names;
    for (int i = 0; i < 1200; ++i)
        names << QStringLiteral("More %1").arg(i, 4, 10, QLatin1Char('0'));
    db.beginTransaction();
    addShops(names);
    db.commitTransaction();
    const int rowHeight = grid.rowHeight(0);
    for (const bool hidden : {false, true}) {
        shops.close();
        shops.open();
        grid.verticalHeader()->setHidden(hidden);
        const IndicatorHeader* many = grid.indicatorHeader();

        shops.close();
        ASSERT_NE(grid.indicatorHeader(), many) << hidden;
        EXPECT_EQ(grid.verticalHeader(), grid.indicatorHeader());
        shops.open();
        shops.moveTo(7);
        QApplication::processEvents();
        EXPECT_EQ(grid.verticalHeader()->isVisible(), !hidden);
        EXPECT_EQ(grid.rowHeight(0), rowHeight);
        EXPECT_EQ(grid.currentIndex().row(), 7);
        EXPECT_EQ(grid.indicatorHeader()->markFor(7), IndicatorHeader::Mark::Arrow);
    }
}

TEST_F(GridTest, WheelStepsTwoOneAndPage) {
    const int page = grid.visibleRowCount() - 1;
    ASSERT_GT(page, 2);
    shops.moveTo(10);
    wheel(-1);
    EXPECT_EQ(shops.recNo(), 12);
    wheel(1);
    EXPECT_EQ(shops.recNo(), 10);
    wheel(-2);
    EXPECT_EQ(shops.recNo(), 14) << "two notches in one turn";
    wheel(-1, Qt::ShiftModifier);
    EXPECT_EQ(shops.recNo(), 15);
    wheel(1, Qt::ShiftModifier);
    EXPECT_EQ(shops.recNo(), 14);
    wheel(-1, Qt::ControlModifier);
    EXPECT_EQ(shops.recNo(), 14 + page);
    wheel(1, Qt::ControlModifier);
    EXPECT_EQ(shops.recNo(), 14);
    wheel(-1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shops.recNo(), 14 + page);
    wheel(1, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shops.recNo(), 13 + page);
    wheel(1, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shops.recNo(), 11 + page);
    EXPECT_EQ(grid.currentIndex().row(), shops.recNo());

    // The ends stop the record; a handler that takes the step stops the grid.
    shops.moveTo(39);
    wheel(-1);
    EXPECT_EQ(shops.recNo(), 39);
    QObject::connect(&grid, &ThemedDBGrid::mouseWheelUp,
                     [](Qt::KeyboardModifiers, bool* handled) { *handled = true; });
    wheel(1);
    EXPECT_EQ(shops.recNo(), 39);
    wheel(-1, Qt::ShiftModifier);
    EXPECT_EQ(shops.recNo(), 39);
}

// A wheel turn throws away an unposted change: one made in the object and one typed into a cell editor.
TEST_F(GridTest, WheelCancelsPendingEdit) {
    shops.moveTo(4);
    shops.edit();
    shops.field(QStringLiteral("Address")).setString(QStringLiteral("Never stored"));
    wheel(-1);
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(shops.recNo(), 6);
    EXPECT_EQ(storedAddress(QStringLiteral("Shop 04")), QStringLiteral("Shop 04 Street"));

    const QModelIndex cell = grid.gridModel()->index(6, 1);
    grid.setCurrentIndex(cell);
    grid.edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(shops.state(), engine::DataSet::State::Edit) << "an open editor is a pending edit";
    editor->setText(QStringLiteral("Typed but not entered"));
    wheel(1);
    EXPECT_FALSE(grid.editorOpen());
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(storedAddress(QStringLiteral("Shop 06")), QStringLiteral("Shop 06 Street"));
}

// Text typed into a cell and entered is posted; Esc leaves the record as it was.
TEST_F(GridTest, CellEditorPostsOnEnterAndCancelsOnEscape) {
    const QModelIndex cell = grid.gridModel()->index(2, 1);
    grid.setCurrentIndex(cell);
    grid.edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Main Square"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits on a queued call
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(storedAddress(QStringLiteral("Shop 02")), QStringLiteral("Main Square"));

    grid.edit(cell);
    editor = qobject_cast<QLineEdit*>(grid.indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("Dropped"));
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(storedAddress(QStringLiteral("Shop 02")), QStringLiteral("Main Square"));
    EXPECT_EQ(messages.count(), 0);
}

// Titles: the one under the mouse is hot, a pressed one is pressed until release, which clicks it.
TEST_F(GridTest, HotAndPressedTitles) {
    QWidget* titles = grid.titleHeader()->viewport();
    QSignalSpy clicks(&grid, &ThemedDBGrid::titleClick);

    mouse(titles, QEvent::MouseMove, titleCentre(1));
    EXPECT_EQ(grid.hotColumn(), 2) << "columns count the indicator column";
    mouse(titles, QEvent::MouseMove, titleCentre(1) + QPoint(3, 0));
    EXPECT_EQ(grid.hotColumn(), 2) << "still over the same title";
    mouse(titles, QEvent::MouseMove, titleCentre(2));
    EXPECT_EQ(grid.hotColumn(), 3);
    const QPoint inCells = grid.visualRect(grid.gridModel()->index(1, 1)).center();
    mouse(grid.viewport(), QEvent::MouseMove, inCells);
    EXPECT_EQ(grid.hotColumn(), -1);
    EXPECT_EQ(grid.hoverCell(), QPoint(2, 2));

    mouse(titles, QEvent::MouseMove, titleCentre(0));
    mouse(titles, QEvent::MouseButtonPress, titleCentre(0));
    EXPECT_TRUE(grid.titlePressed());
    EXPECT_EQ(grid.pressedColumn(), 1);
    EXPECT_EQ(grid.hotColumn(), -1);
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(shops.recNo(), 0) << "a title press selects no column and moves no record";
    mouse(titles, QEvent::MouseButtonRelease, titleCentre(0));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.first().at(0).toInt(), 0);
    EXPECT_FALSE(grid.titlePressed());
    EXPECT_EQ(grid.pressedColumn(), -1);
    EXPECT_EQ(grid.hoverCell(), QPoint(-1, -1));
    mouse(titles, QEvent::MouseMove, titleCentre(0));
    EXPECT_EQ(grid.hotColumn(), 1) << "the released title turns hot again under the mouse";

    // The title's look follows: hot and pressed differ from normal.
    const QImage hot = grid.titleHeader()->grab().toImage();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(titles, &leave);
    EXPECT_EQ(grid.hotColumn(), -1);
    EXPECT_EQ(grid.hoverCell(), QPoint(-1, -1));
    const QImage normal = grid.titleHeader()->grab().toImage();
    const QPoint probe(grid.titleHeader()->sectionViewportPosition(0) + 3, 3);
    EXPECT_NE(hot.pixel(probe), normal.pixel(probe));

    // The sort column's title alone turns bold: more ink in its section, none elsewhere.
    const auto ink = [&](const QImage& image, int section) {
        const int left = grid.titleHeader()->sectionViewportPosition(section);
        const QRgb background = image.pixel(left + 2, 1);
        int dark = 0;
        for (int x = left + 1; x < left + grid.titleHeader()->sectionSize(section) - 1; ++x)
            for (int y = 1; y < image.height() - 1; ++y)
                dark += qGray(image.pixel(x, y)) < qGray(background) - 60 ? 1 : 0;
        return dark;
    };
    grid.setBoldTitleColumn(1);
    const QImage bold = grid.titleHeader()->grab().toImage();
    EXPECT_GT(ink(bold, 1), ink(normal, 1));
    EXPECT_EQ(ink(bold, 0), ink(normal, 0));
    grid.setBoldTitleColumn(-1);

    // With the effect off a press leaves the title as it is.
    grid.setTitleClickEffect(false);
    mouse(titles, QEvent::MouseButtonPress, titleCentre(2));
    EXPECT_FALSE(grid.titlePressed());
    mouse(titles, QEvent::MouseButtonRelease, titleCentre(2));
    EXPECT_EQ(clicks.count(), 2);
}

// Dragging a column border sizes the column without making titles hot; the grid keeps the widths.
TEST_F(GridTest, ResizingKeepsTitlesColdAndWidthsAreKept) {
    QWidget* titles = grid.titleHeader()->viewport();
    mouse(titles, QEvent::MouseButtonPress, titleBorder(0));
    EXPECT_TRUE(grid.sizing());
    EXPECT_FALSE(grid.titlePressed());
    mouse(titles, QEvent::MouseMove, titleBorder(0) + QPoint(30, 0));
    EXPECT_EQ(grid.hotColumn(), -1);
    mouse(titles, QEvent::MouseButtonRelease, titleBorder(0) + QPoint(30, 0));
    EXPECT_FALSE(grid.sizing());
    EXPECT_EQ(grid.columnWidths(), (QList<int>{130, 120, 80}));
    EXPECT_EQ(grid.gridModel()->column(0).width, 130);

    grid.setColumnWidths({50, 60, 70});
    EXPECT_EQ(grid.columnWidths(), (QList<int>{50, 60, 70}));
    EXPECT_EQ(grid.gridModel()->column(2).width, 70);

    // Column moving can be switched off; a drag then only presses the title.
    grid.setColumnMoving(false);
    EXPECT_FALSE(grid.columnMoving());
    mouse(titles, QEvent::MouseButtonPress, titleCentre(0));
    mouse(titles, QEvent::MouseMove, titleCentre(1));
    EXPECT_FALSE(grid.dragging());
    mouse(titles, QEvent::MouseButtonRelease, titleCentre(1));
    EXPECT_EQ(grid.titleHeader()->visualIndex(0), 0);

    grid.setColumnMoving(true);
    mouse(titles, QEvent::MouseButtonPress, titleCentre(0));
    mouse(titles, QEvent::MouseMove, titleCentre(0) + QPoint(20, 0));
    EXPECT_TRUE(grid.dragging());
    EXPECT_EQ(grid.hotColumn(), -1);
    mouse(titles, QEvent::MouseButtonRelease, titleCentre(0) + QPoint(20, 0));
    EXPECT_FALSE(grid.dragging());
}
