#include "ListPageFixture.h"

#include "Helpers.h"
#include "Query.h"
#include "ShoppingList.h"
#include "ThemedDBGrid.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

void ListPageFixture::SetUp() {
    QDir().mkpath(dataFolder());
    data_ = std::make_unique<ListTestDatabase>(dataFolder());
}

void ListPageFixture::TearDown() {
    window_.reset();
    data_.reset();
}

ShoppingListPage& ListPageFixture::start() {
    data_->db.close(); // the program opens the files itself
    window_ = std::make_unique<MainWindow>(temp_.sub(QStringLiteral("program")));
    window_->createDialogs();
    window_->setProgramStarter([](const QString&, const QStringList&) { return true; });
    window_->setHelpHandler([](int) {});
    installShoppingListPage(*window_);
    page_ = dynamic_cast<ShoppingListPage*>(window_->page(MainWindow::ListPageIndex));
    window_->resize(800, 600);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    return *page_;
}

void ListPageFixture::finish() {
    if (window_)
        window_->close();
    window_.reset();
    page_ = nullptr;
}

QList<int> ListPageFixture::listedIds() {
    QList<int> ids;
    engine::Query& q = query();
    if (!q.isOpen())
        return ids;
    const int c = q.fieldIndex(QStringLiteral("ItemID"));
    for (int r = 0; r < q.recordCount(); ++r)
        ids << static_cast<int>(std::get<std::int64_t>(q.valueAt(r, c)));
    return ids;
}

int ListPageFixture::currentItemId() {
    return page_->list().currentItemId();
}

bool ListPageFixture::goToItem(int itemId, int column) {
    const int row = listedIds().indexOf(itemId);
    if (row < 0)
        return false;
    ui::ThemedDBGrid* grid = page_->grid();
    grid->setFocus();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, column)).center());
    return currentItemId() == itemId;
}

void ListPageFixture::selectShops(const QList<int>& shopIds) {
    QListWidget* lb = page_->ShopsLB;
    for (int i = 0; i < lb->count(); ++i) {
        const bool wanted = shopIds.contains(ExtractLBID(lb->item(i)->text()));
        if (lb->item(i)->isSelected() != wanted)
            QTest::mouseClick(lb->viewport(), Qt::LeftButton, {}, lb->visualItemRect(lb->item(i)).center());
    }
}

void ListPageFixture::typeAndEnter(const QString& text) {
    ui::ThemedDBGrid* grid = page_->grid();
    ASSERT_FALSE(text.isEmpty());
    QTest::keyClick(grid, text.at(0).toLatin1());
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(editor, nullptr) << "no cell editor opened";
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
}
