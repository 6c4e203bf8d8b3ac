#include "PageFixture.h"

#include "CataloguePages.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "ThemedDBGrid.h"

#include <QDir>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

void PageFixture::SetUp() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    ASSERT_EQ(data, temp_.path() + QStringLiteral("/data"));
    QDir().mkpath(data + QStringLiteral("/Grocelle"));
    CreateDatabaseTables(data + QStringLiteral("/Grocelle"));

    window_ = std::make_unique<MainWindow>(temp_.sub(QStringLiteral("program")));
    window_->createDialogs();
    installCataloguePages(*window_);
    window_->resize(900, 700);
    window_->show();
    ASSERT_FALSE(window_->StartupPending);
    ASSERT_FALSE(window_->startupFailed());
    messages_.clear();
}

void PageFixture::TearDown() {
    window_.reset();
}

CatalogueItemsPage& PageFixture::itemsPage() {
    return *dynamic_cast<CatalogueItemsPage*>(window_->page(MainWindow::ItemsPageIndex));
}
CatalogueCategoriesPage& PageFixture::catPage() {
    return *dynamic_cast<CatalogueCategoriesPage*>(window_->page(MainWindow::CatPageIndex));
}
CatalogueShopsPage& PageFixture::shopsPage() {
    return *dynamic_cast<CatalogueShopsPage*>(window_->page(MainWindow::ShopsPageIndex));
}

void PageFixture::showPage(int index) {
    window_->showPage(index);
    ASSERT_EQ(window_->activePageIndex(), index);
}

int PageFixture::insert(const QString& table, const QStringList& fields, const QList<engine::Value>& values) {
    engine::Table t(&db(), table);
    t.open();
    t.append();
    for (int i = 0; i < fields.size(); ++i)
        t.field(fields[i]).setValue(values[i]);
    t.post();
    return t.field(0).asInteger();
}

namespace {
engine::Value num(qint64 n) {
    return engine::Value{static_cast<std::int64_t>(n)};
}
} // namespace

int PageFixture::addCategory(const QString& name) {
    return insert(QStringLiteral("Categories"), {QStringLiteral("CatName")}, {engine::textValue(name)});
}
int PageFixture::addShop(const QString& name) {
    return insert(QStringLiteral("Shops"), {QStringLiteral("ShopName")}, {engine::textValue(name)});
}
int PageFixture::addProduct(const QString& name, int category, const QString& unit) {
    return insert(QStringLiteral("Products"),
                  {QStringLiteral("ProdName"), QStringLiteral("Category"), QStringLiteral("UnitOfMeasure")},
                  {engine::textValue(name), num(category), engine::textValue(unit)});
}
int PageFixture::addItem(int product, const QString& brand, int size, int shop, double price) {
    return insert(QStringLiteral("Items"),
                  {QStringLiteral("Product"), QStringLiteral("Brand"), QStringLiteral("Size"),
                   QStringLiteral("Shop"), QStringLiteral("Price")},
                  {num(product), engine::textValue(brand), num(size), num(shop), engine::Value{price}});
}
void PageFixture::addAisle(int category, int shop, double sequence) {
    insert(QStringLiteral("Aisles"),
           {QStringLiteral("Category"), QStringLiteral("Shop"), QStringLiteral("Sequence")},
           {num(category), num(shop), engine::Value{sequence}});
}

int PageFixture::count(const QString& sql) {
    engine::Query q(&db());
    q.setSql(sql);
    q.open();
    return q.recordCount();
}

int PageFixture::orphans() {
    return count(QStringLiteral(
               "SELECT * FROM Products WHERE Category NOT IN (SELECT CatID FROM Categories)")) +
           count(QStringLiteral("SELECT * FROM Items WHERE Product NOT IN (SELECT ProdID FROM Products)")) +
           count(QStringLiteral("SELECT * FROM Items WHERE Shop NOT IN (SELECT ShopID FROM Shops)")) +
           count(
               QStringLiteral("SELECT * FROM Aisles WHERE Category NOT IN (SELECT CatID FROM Categories)")) +
           count(QStringLiteral("SELECT * FROM Aisles WHERE Shop NOT IN (SELECT ShopID FROM Shops)"));
}

void PageFixture::clickRow(ui::ThemedDBGrid* grid, int row, Qt::KeyboardModifiers modifiers) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    ASSERT_TRUE(cell.isValid()) << "row " << row << " is not shown";
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
}
