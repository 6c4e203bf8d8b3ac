#include "FramePages.h"

#include "Helpers.h"
#include "MainWindow.h"
#include "ThemedDBGrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

using Col = ui::DataSetModel::Column;

ui::ThemedDBGrid* MakeGrid(const QString& name, engine::DataSet* data, QWidget* parent,
                           const std::vector<Col>& columns = {}) {
    auto* grid = new ui::ThemedDBGrid(parent);
    grid->setObjectName(name);
    grid->setDataSet(data);
    if (!columns.empty())
        grid->setColumns(columns);
    return grid;
}

Col Column(const char* field, const char* title, int width) {
    Col c;
    c.fieldName = QLatin1String(field);
    c.title = QLatin1String(title);
    c.width = width;
    return c;
}

// The id field of the current row, 0 when the object is closed or has no rows.
int CurrentId(engine::DataSet* data, const QString& field) {
    if (!data->isOpen() || data->isEmpty())
        return 0;
    return data->field(field).asInteger();
}

// Opens a table and moves to the row whose id field holds `id`, or to the first row.
void OpenAt(engine::Table* table, const QString& field, int id) {
    table->open();
    if (!table->locate(field, engine::Value{static_cast<std::int64_t>(id)}))
        table->first();
}

// Rows as high as the text of the list's font needs, whatever the style would add.
void SetItemHeight(QAbstractItemView* view, int height) {
    view->setStyleSheet(QStringLiteral("QAbstractItemView::item { height: %1px; }").arg(height));
}

} // namespace

ListPage::ListPage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    auto* layout = new QVBoxLayout(this);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* shopsBox = new QVBoxLayout;
    auto* shopsLabel = new QLabel(QStringLiteral("Select &shop(s)"), Panel1);
    ShopsLB = new QListWidget(Panel1);
    ShopsLB->setObjectName(QStringLiteral("ShopsLB"));
    ShopsLB->setSelectionMode(QAbstractItemView::ExtendedSelection);
    shopsLabel->setBuddy(ShopsLB);
    shopsBox->addWidget(shopsLabel);
    shopsBox->addWidget(ShopsLB);
    panelLayout->addLayout(shopsBox, 1);
    NotesMemo = new QPlainTextEdit(Panel1);
    NotesMemo->setObjectName(QStringLiteral("NotesMemo"));
    panelLayout->addWidget(NotesMemo, 1);
    layout->addWidget(Panel1);
    ShoppingGrid = MakeGrid(QStringLiteral("ShoppingGrid"), main.ShoppingListQuery, this,
                            {Column("Quantity", "Qty", 29), Column("ProdName", "Product", 119),
                             Column("Brand", "Brand", 123), Column("Size", "Size", 40),
                             Column("UnitOfMeasure", "UOM", 44), Column("Price", "Price", 50),
                             Column("ShopName", "Shop", 87), Column("CatName", "Category", 65)});
    layout->addWidget(ShoppingGrid, 1);
}

void ListPage::fillShopsList() {
    ShopsLB->clear();
    main_.ItemsShopTable->setIndexName(QStringLiteral("IdxName"));
    main_.ItemsShopTable->open();
    for (main_.ItemsShopTable->first(); !main_.ItemsShopTable->eof(); main_.ItemsShopTable->next())
        ShopsLB->addItem(TaggedListEntry(main_.ItemsShopTable->field(QStringLiteral("ShopID")).asInteger(),
                                         main_.ItemsShopTable->field(QStringLiteral("ShopName")).asString()));
    main_.ItemsShopTable->close();
    for (int i = 0; i < ShopsLB->count(); ++i) {
        const int id = ExtractLBID(ShopsLB->item(i)->text());
        ShopsLB->item(i)->setSelected(main_.SelectedShopIDs.contains(QString::number(id)));
    }
}

void ListPage::showStep() {
    if (main_.StartupPending)
        return;
    fillShopsList();
}

void ListPage::leaveStep() {
    main_.SelectedShopIDs.clear();
    for (int i = 0; i < ShopsLB->count(); ++i)
        if (ShopsLB->item(i)->isSelected())
            main_.SelectedShopIDs << QString::number(ExtractLBID(ShopsLB->item(i)->text()));
    main_.LastListItemID = CurrentId(main_.ShoppingListQuery, QStringLiteral("ItemID"));
    main_.ShoppingListQuery->close();
}

void ListPage::arrangeLayout() {
    const int height = QFontMetrics(ShopsLB->font()).height() + 1;
    SetItemHeight(ShopsLB, height);
}

void ListPage::selectQuantityMode() {
    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("QuantityRB")))
        button->click();
}

void ListPage::selectPriceMode() {
    if (auto* button = findChild<QAbstractButton*>(QStringLiteral("PriceRB")))
        button->click();
}

ItemsPage::ItemsPage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    ItemsCatGrid = MakeGrid(QStringLiteral("ItemsCatGrid"), main.ItemsCatTable, this);
    ItemsProdGrid = MakeGrid(QStringLiteral("ItemsProdGrid"), main.ItemsProdQuery, this);
    ItemsShopGrid = MakeGrid(QStringLiteral("ItemsShopGrid"), main.ItemsShopTable, this);
    top->addWidget(ItemsCatGrid);
    top->addWidget(ItemsProdGrid);
    top->addWidget(ItemsShopGrid);
    layout->addLayout(top);
    ItemsGrid = MakeGrid(QStringLiteral("ItemsGrid"), main.ItemsItemsQuery, this,
                         {Column("CatName", "Category", 96), Column("ProdName", "Product type", 140),
                          Column("Brand", "Brand", 130), Column("Size", "Size", 40),
                          Column("UnitOfMeasure", "UOM", 44), Column("Price", "Price", 50),
                          Column("ShopName", "Shop", 30)});
    layout->addWidget(ItemsGrid, 1);
}

void ItemsPage::showStep() {
    if (main_.StartupPending)
        return;
    main_.ItemsCatTable->open();
    main_.ItemsShopTable->open();
    main_.ItemsItemsQuery->open();
    if (!main_.ItemsItemsQuery->isEmpty()) {
        main_.ItemsItemsQuery->first();
        while (!main_.ItemsItemsQuery->eof() &&
               main_.ItemsItemsQuery->field(QStringLiteral("ItemID")).asInteger() != main_.LastItemsItemID)
            main_.ItemsItemsQuery->next();
        if (main_.ItemsItemsQuery->eof())
            main_.ItemsItemsQuery->first();
    }
}

void ItemsPage::leaveStep() {
    main_.LastItemsItemID = CurrentId(main_.ItemsItemsQuery, QStringLiteral("ItemID"));
    for (engine::DataSet* data : std::initializer_list<engine::DataSet*>{
             main_.ItemsCatTable, main_.ItemsProdQuery, main_.ItemsShopTable, main_.ItemsItemsQuery,
             main_.CatTable, main_.ShopTable, main_.ProdTable, main_.ItemTable})
        data->close();
}

CatPage::CatPage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    auto* layout = new QVBoxLayout(this);
    CatGrid = MakeGrid(QStringLiteral("CatGrid"), main.CatCatTable, this);
    layout->addWidget(CatGrid, 1);
}

void CatPage::showStep() {
    if (main_.StartupPending)
        return;
    OpenAt(main_.CatCatTable, QStringLiteral("CatID"), main_.LastCatID);
}

void CatPage::leaveStep() {
    main_.LastCatID = CurrentId(main_.CatCatTable, QStringLiteral("CatID"));
    main_.CatCatTable->close();
}

ShopsPage::ShopsPage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    auto* layout = new QVBoxLayout(this);
    ShopGrid = MakeGrid(QStringLiteral("ShopGrid"), main.ShopShopTable, this,
                        {Column("ShopName", "Shop name", 117), Column("Address", "Address", 329),
                         Column("Phone", "Phone", 128)});
    layout->addWidget(ShopGrid, 1);
}

void ShopsPage::showStep() {
    if (main_.StartupPending)
        return;
    OpenAt(main_.ShopShopTable, QStringLiteral("ShopID"), main_.LastShopID);
}

void ShopsPage::leaveStep() {
    main_.LastShopID = CurrentId(main_.ShopShopTable, QStringLiteral("ShopID"));
    main_.ShopShopTable->close();
}

AislePage::AislePage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    auto* layout = new QVBoxLayout(this);
    AislesShopCombo = new QComboBox(this);
    AislesShopCombo->setObjectName(QStringLiteral("AislesShopCombo"));
    layout->addWidget(AislesShopCombo);
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    layout->addWidget(ToolBar);
    PageControl2 = new QTabWidget(this);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    FloorplanSheet = new QWidget(PageControl2);
    FloorplanSheet->setObjectName(QStringLiteral("FloorplanTabSheet"));
    SequenceSheet = new QWidget(PageControl2);
    SequenceSheet->setObjectName(QStringLiteral("SequenceTabSheet"));
    auto* seqLayout = new QHBoxLayout(SequenceSheet);
    AislesLB = new QListWidget(SequenceSheet);
    AislesLB->setObjectName(QStringLiteral("AislesLB"));
    AisleCatLB = new QListWidget(SequenceSheet);
    AisleCatLB->setObjectName(QStringLiteral("AisleCatLB"));
    seqLayout->addWidget(AislesLB);
    seqLayout->addWidget(AisleCatLB);
    PageControl2->addTab(FloorplanSheet, QStringLiteral("Floorplan"));
    PageControl2->addTab(SequenceSheet, QStringLiteral("Sequence"));
    layout->addWidget(PageControl2, 1);
}

void AislePage::showStep() {
    if (main_.StartupPending)
        return;
    AislesShopCombo->clear();
    main_.ItemsShopTable->setIndexName(QStringLiteral("IdxName"));
    main_.ItemsShopTable->open();
    int select = main_.ItemsShopTable->isEmpty() ? -1 : 0;
    for (main_.ItemsShopTable->first(); !main_.ItemsShopTable->eof(); main_.ItemsShopTable->next()) {
        const int id = main_.ItemsShopTable->field(QStringLiteral("ShopID")).asInteger();
        if (id == main_.SavedAisleShopID)
            select = AislesShopCombo->count();
        AislesShopCombo->addItem(
            TaggedListEntry(id, main_.ItemsShopTable->field(QStringLiteral("ShopName")).asString()));
    }
    main_.ItemsShopTable->close();
    AislesShopCombo->setCurrentIndex(select);
}

void AislePage::leaveStep() {
    main_.SavedAisleShopID = ExtractLBID(AislesShopCombo->model(), AislesShopCombo->currentIndex());
    leaveSubPage();
}

void AislePage::arrangeLayout() {
    const int height = QFontMetrics(AislesLB->font()).height() + 1;
    SetItemHeight(AislesLB, height + 3);
    SetItemHeight(AisleCatLB, height + 3);
    SetItemHeight(AislesShopCombo->view(), height + 1);
}

void AislePage::beforeToolsOrPrint() {
    main_.SavedAisleShopID = ExtractLBID(AislesShopCombo->model(), AislesShopCombo->currentIndex());
    leaveSubPage();
    showStep();
}
