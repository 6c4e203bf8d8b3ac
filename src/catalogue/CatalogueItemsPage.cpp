#include "CatalogueItemsPage.h"

#include "ItemIndex.h"

#include "BusyCursor.h"
#include "CatalogueText.h"
#include "CharacterLimit.h"
#include "DefaultButton.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PageSupport.h"
#include "PriceChartView.h"
#include "PriceHistory.h"
#include "PriceLog.h"
#include "PriceMarkDelegate.h"
#include "PriceSignals.h"
#include "SearchBox.h"
#include "ThemedDBGrid.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

using namespace catalogue;

namespace {

const QString kItemID = QStringLiteral("ItemID");
const QString kProdID = QStringLiteral("ProdID");
const QString kCatID = QStringLiteral("CatID");
const QString kShopID = QStringLiteral("ShopID");

const char* const kSortFields[] = {"CatName",       "ProdName", "Brand",    "Size",
                                   "UnitOfMeasure", "Price",    "ShopName", "LastChanged"};
constexpr int kColumnCount = 8;

// What the search box looks in: the list's text columns, and its sizes and prices from their start.
const QStringList kSearchedColumns = {QStringLiteral("ProdName"), QStringLiteral("Brand"),
                                      QStringLiteral("CatName"),  QStringLiteral("ShopName"),
                                      QStringLiteral("Size"),     QStringLiteral("Price")};

int validColumn(int column) {
    return column >= 0 && column < kColumnCount ? column : 1;
}

// The date of a log row as the list reads it; invalid for none.
QDateTime logDate(const engine::Value& v) {
    const auto* text = std::get_if<std::string>(&v);
    return text ? PriceLog::parseDate(QString::fromStdString(*text)) : QDateTime();
}

QAction* popupAction(QMenu* menu, const QString& name) {
    if (!menu)
        return nullptr;
    for (QAction* a : menu->actions())
        if (a->objectName() == name)
            return a;
    return nullptr;
}

} // namespace

CatalogueItemsPage::CatalogueItemsPage(MainWindow& main, QWidget* parent)
    : AppPage(main, parent), editor_(main.database()), writer_(*main.ItemTable),
      search_(main.database(), *main.ItemsItemsQuery, QStringLiteral("Items"), kSearchedColumns, kItemID) {
    ItemsCatGrid = makeGrid(QStringLiteral("ItemsCatGrid"), main_.ItemsCatTable, this);
    ItemsProdGrid = makeGrid(QStringLiteral("ItemsProdGrid"), main_.ItemsProdQuery, this);
    ItemsShopGrid = makeGrid(QStringLiteral("ItemsShopGrid"), main_.ItemsShopTable, this);
    ItemsGrid =
        makeGrid(QStringLiteral("ItemsGrid"), main_.ItemsItemsQuery, this,
                 {gridColumn("CatName", "Category", 96), gridColumn("ProdName", "Product type", 140),
                  gridColumn("Brand", "Brand", 130), gridColumn("Size", "Size", 40),
                  gridColumn("UnitOfMeasure", "UOM", 44), gridColumn("Price", "Price", 50),
                  gridColumn("ShopName", "Shop", 100), gridColumn("LastChanged", "Last changed", 80)});
    // The list is chosen and ordered by the item index, but in the order of the last change, which only the
    // price log knows.
    main_.ItemsItemsQuery->setKeySource([this](engine::KeyList& keys) {
        static constexpr std::optional<ItemIndex::Order> kOrders[] = {
            ItemIndex::Order::Category,      ItemIndex::Order::Product,
            ItemIndex::Order::Brand,         ItemIndex::Order::Size,
            ItemIndex::Order::UnitOfMeasure, ItemIndex::Order::Price,
            ItemIndex::Order::Shop,          std::nullopt};
        static_assert(std::size(kOrders) == kColumnCount);
        const std::optional<ItemIndex::Order> order = kOrders[validColumn(main_.ItemsSortColumn)];
        if (!order)
            return false;
        ItemIndex::Selection selection;
        selection.order = *order;
        selection.search = search_.text();
        selection.kept = search_.kept();
        return main_.itemIndex().select(selection, keys);
    });
    ItemsCatGrid->setAccessibleName(QStringLiteral("Categories"));
    ItemsProdGrid->setAccessibleName(QStringLiteral("Product types"));
    ItemsShopGrid->setAccessibleName(QStringLiteral("Shops"));
    ItemsGrid->setAccessibleName(QStringLiteral("Items"));
    auto* page = new QVBoxLayout(this);
    auto* form = new QGridLayout;
    page->addLayout(form);
    const auto edit = [this](const char* name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        if (maxLength > 0)
            ui::limitCharacters(e, maxLength);
        return e;
    };
    const auto label = [this](const char* caption, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setBuddy(buddy);
        return l;
    };
    ItemsCatEdit = edit("ItemsCatEdit", kNameLength);
    ItemsProdEdit = edit("ItemsProdEdit", kNameLength);
    ItemsUOMEdit = edit("ItemsUOMEdit", kUnitLength);
    ItemsBrandEdit = edit("ItemsBrandEdit", kNameLength);
    ItemsSizeEdit = edit("ItemsSizeEdit", 0);
    ItemsPriceEdit = edit("ItemsPriceEdit", 0);
    UOMLabel = new QLabel(this);
    UOMLabel->setObjectName(QStringLiteral("UOMLabel"));

    form->addWidget(label("Categ&ory", ItemsCatEdit), 0, 0);
    form->addWidget(ItemsCatEdit, 1, 0);
    form->addWidget(ItemsCatGrid, 2, 0, 5, 1);
    form->addWidget(label("P&roduct type", ItemsProdEdit), 0, 1);
    form->addWidget(ItemsProdEdit, 1, 1);
    form->addWidget(ItemsProdGrid, 2, 1, 5, 1);
    form->addWidget(label("Unit of &measure", ItemsUOMEdit), 0, 2);
    form->addWidget(ItemsUOMEdit, 1, 2);
    form->addWidget(label("&Brand", ItemsBrandEdit), 2, 2);
    form->addWidget(ItemsBrandEdit, 3, 2);
    form->addWidget(label("Si&ze", ItemsSizeEdit), 4, 2);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(ItemsSizeEdit);
    sizeRow->addWidget(UOMLabel);
    form->addLayout(sizeRow, 5, 2);
    form->addWidget(label("&Price", ItemsPriceEdit), 6, 2);
    form->addWidget(ItemsPriceEdit, 7, 2);
    form->addWidget(label("&Shop", ItemsShopGrid), 0, 3);
    form->addWidget(ItemsShopGrid, 1, 3, 7, 1);

    const auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    ItemsAddBtn = button("ItemsAddBtn", "&Add", "Add new item");
    ItemsChangeBtn = button("ItemsChangeBtn", "&Change", "Update current item");
    ItemsDelBtn = button("ItemsDelBtn", "&Delete", "Delete current item");
    form->addWidget(ItemsAddBtn, 1, 4);
    form->addWidget(ItemsChangeBtn, 2, 4);
    form->addWidget(ItemsDelBtn, 3, 4);
    PriceChartBox = new PriceChartView(this);
    PriceChartBox->setObjectName(QStringLiteral("PriceChartBox"));
    PriceChartBox->setAccessibleName(QStringLiteral("Price history"));
    PriceExtremesLabel = new QLabel(this);
    PriceExtremesLabel->setObjectName(QStringLiteral("PriceExtremesLabel"));
    form->addWidget(label("Price history", PriceChartBox), 0, 5);
    form->addWidget(PriceChartBox, 1, 5, 5, 1);
    form->addWidget(PriceExtremesLabel, 6, 5, 2, 1);
    form->setColumnStretch(5, 1);
    ItemsSearch =
        new ui::SearchBox(this, QStringLiteral("Search product type, brand, category, shop, size or price"));
    ItemsSearch->setObjectName(QStringLiteral("ItemsSearch"));
    ItemsSearch->setAccessibleName(QStringLiteral("Search items"));
    ItemsSearch->setList(ItemsGrid);
    page->addWidget(ItemsSearch);
    page->addWidget(ItemsGrid, 1);
    setTabOrder(ItemsDelBtn, ItemsSearch);
    setTabOrder(ItemsSearch, ItemsGrid);
    connect(ItemsSearch, &ui::SearchBox::searchChanged, this,
            [this](const QString& text) { followUp(this, [this, text] { ItemsSearchChange(text); }); });

    makeListGrid(ItemsCatGrid, QStringLiteral("CatName"));
    makeListGrid(ItemsProdGrid, QStringLiteral("ProdName"));
    makeListGrid(ItemsShopGrid, QStringLiteral("ShopName"));
    for (ui::ThemedDBGrid* g : {ItemsCatGrid, ItemsProdGrid, ItemsShopGrid}) {
        g->setMultiSelect(false);
        g->setMaximumHeight(150);
    }
    ItemsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ItemsGrid->viewport()->installEventFilter(this);
    ItemsGrid->setMultiSelect(false);
    ui::DataSetModel* model = ItemsGrid->gridModel();
    const int priceColumn = model->columnOfField(QStringLiteral("Price"));
    if (priceColumn >= 0)
        model->setFormatter(priceColumn, [](const engine::Value& v) {
            if (engine::isNull(v))
                return QString();
            const auto* d = std::get_if<double>(&v);
            const auto* i = std::get_if<std::int64_t>(&v);
            return priceText(d ? *d : (i ? static_cast<double>(*i) : 0.0));
        });
    const int changedColumn = model->columnOfField(QStringLiteral("LastChanged"));
    if (changedColumn >= 0)
        model->setFormatter(changedColumn, [](const engine::Value& v) {
            const QDateTime when = logDate(v);
            return when.isValid() ? QLocale().toString(when.date(), QLocale::ShortFormat) : QString();
        });
    // A price not entered or confirmed for the Options' days is drawn muted.
    auto* prices = new ui::PriceMarkDelegate(ItemsGrid);
    prices->setSignalOf([this, model](const QModelIndex& index) {
        const int field = model->fieldOfColumn(model->columnOfField(QStringLiteral("LastChanged")));
        if (field < 0 || !main_.ItemsItemsQuery->isOpen() ||
            index.row() >= main_.ItemsItemsQuery->recordCount())
            return PriceSignal{};
        return PriceSignals::forLatest(logDate(main_.ItemsItemsQuery->valueAt(index.row(), field)),
                                       QDate::currentDate(), main_.stalePriceDays());
    });
    if (priceColumn >= 0)
        ItemsGrid->setItemDelegateForColumn(priceColumn, prices);

    connect(main_.ItemsItemsQuery, &engine::DataSet::currentChanged, this,
            [this] { followUp(this, [this] { ItemsItemsQueryAfterScroll(); }); });
    connect(main_.ItemsCatTable, &engine::DataSet::currentChanged, this,
            [this] { followUp(this, [this] { ItemsCatTableAfterScroll(); }); });
    connect(main_.ItemsProdQuery, &engine::DataSet::currentChanged, this,
            [this] { followUp(this, [this] { ItemsProdQueryAfterScroll(); }); });
    connect(ItemsUOMEdit, &QLineEdit::textChanged, UOMLabel, &QLabel::setText);
    // A click on the current row fills the boxes again too, after the user typed over them.
    connect(ItemsCatGrid, &QAbstractItemView::clicked, this,
            [this] { followUp(this, [this] { ItemsCatTableAfterScroll(); }); });
    connect(ItemsProdGrid, &QAbstractItemView::clicked, this,
            [this] { followUp(this, [this] { ItemsProdQueryAfterScroll(); }); });
    connect(ItemsGrid, &ui::ThemedDBGrid::titleClick, this,
            [this](int column) { followUp(this, [this, column] { ItemsGridTitleClick(column); }); });
    connect(ItemsAddBtn, &QPushButton::clicked, this, [this] { ItemsAddBtnClick(); });
    // Enter adds once an item has its category and product type; until then it only ends the typing.
    ui::DefaultButton::install(
        ItemsAddBtn,
        {ItemsCatEdit, ItemsProdEdit, ItemsUOMEdit, ItemsBrandEdit, ItemsSizeEdit, ItemsPriceEdit}, [this] {
            return !ItemsCatEdit->text().trimmed().isEmpty() && !ItemsProdEdit->text().trimmed().isEmpty();
        });
    connect(ItemsChangeBtn, &QPushButton::clicked, this, [this] { ItemsChangeBtnClick(); });
    connect(ItemsDelBtn, &QPushButton::clicked, this, [this] { ItemsDelBtnClick(); });

    // The price of every Items row is rounded before it is posted, and a refused post is reported here,
    // whoever posts through the main window's Items object.
    main_.ItemTable->setBeforePost(&ItemWriter::roundPrice);
    main_.ItemTable->setOnPostError([this](engine::DataSet& data, const engine::EngineError& e) {
        const bool duplicate = e.code() == engine::KeyViolation;
        const QString text = duplicate ? ItemWriter::duplicateMessage(data) : e.message();
        data.cancel();
        if (duplicate)
            warn(this, text);
        else
            fail(this, text);
        return engine::DataSet::PostErrorAction::Abort;
    });

    createPopup();
    ItemsChangeBtn->setEnabled(false);
    ItemsDelBtn->setEnabled(false);
}

void CatalogueItemsPage::createPopup() {
    ProdGridPopup = new QMenu(this);
    ProdGridPopup->setObjectName(QStringLiteral("ProdGridPopup"));
    const auto add = [this](const QString& caption, const char* name, void (CatalogueItemsPage::*step)()) {
        QAction* action = ProdGridPopup->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(false); // enabled as the menu opens, for the product type under it
        connect(action, &QAction::triggered, this, step);
    };
    add(QStringLiteral("&Delete"), "ProdPopupDelete", &CatalogueItemsPage::ProdPopupDeleteClick);
    add(QStringLiteral("&Rename..."), "ProdPopupRename", &CatalogueItemsPage::ProdPopupRenameClick);
    connect(ProdGridPopup, &QMenu::aboutToShow, this, [this] { ProdGridPopupPopup(); });
    ItemsProdGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ItemsProdGrid, &QWidget::customContextMenuRequested, ProdGridPopup,
            [this](const QPoint& pos) { ProdGridPopup->popup(ItemsProdGrid->mapToGlobal(pos)); });
}

void CatalogueItemsPage::leaveStep() {
    main_.LastItemsItemID = currentId(main_.ItemsItemsQuery, kItemID);
    for (engine::DataSet* data : std::initializer_list<engine::DataSet*>{
             main_.ItemsCatTable, main_.ItemsProdQuery, main_.ItemsShopTable, main_.ItemsItemsQuery,
             main_.CatTable, main_.ShopTable, main_.ProdTable, main_.ItemTable})
        data->close();
}

QList<ui::ThemedDBGrid*> CatalogueItemsPage::settingsGrids() const {
    return {ItemsGrid};
}

QString CatalogueItemsPage::sortField(int column) {
    return QLatin1String(kSortFields[validColumn(column)]);
}

QString CatalogueItemsPage::orderClause(int column) {
    const QString field = sortField(column);
    if (field == QLatin1String("ShopName") || field == QLatin1String("CatName") ||
        field == QLatin1String("Brand"))
        return QStringLiteral("ORDER BY %1, ProdName").arg(field);
    return QStringLiteral("ORDER BY ") + field;
}

void CatalogueItemsPage::showStep() {
    if (main_.StartupPending)
        return;
    followUp(this, [this] {
        for (engine::Table* t : {main_.ItemTable, main_.CatTable, main_.ProdTable, main_.ShopTable})
            t->open();
        main_.ItemsCatTable->setIndexName(QStringLiteral("IdxName"));
        main_.ItemsShopTable->setIndexName(QStringLiteral("IdxName"));
        main_.ItemsCatTable->open();
        main_.ItemsProdQuery->open();
        main_.ItemsShopTable->open();
        ItemsGridTitleClick(std::nullopt);
        moveToId(main_.ItemsItemsQuery, kItemID, main_.LastItemsItemID);
        ItemsTabSheetResize();
        if (main_.ItemsCatTable->isEmpty()) {
            ItemsCatEdit->clear();
            ItemsProdEdit->clear();
            ItemsUOMEdit->clear();
        }
    });
}

bool CatalogueItemsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ItemsGrid->viewport() && event->type() == QEvent::Resize)
        ItemsTabSheetResize();
    return AppPage::eventFilter(watched, event);
}

void CatalogueItemsPage::ItemsTabSheetResize() {
    ItemsGrid->fitLastColumn();
}

void CatalogueItemsPage::updateSortTitle() {
    ItemsGrid->setBoldTitleColumn(main_.ItemsSortColumn);
}

void CatalogueItemsPage::ItemsGridTitleClick(std::optional<int> column) {
    // The page show and every sort reopen the list of all items, which takes a while on a large database.
    const ui::BusyCursor busy;
    engine::Query* query = main_.ItemsItemsQuery;
    if (column)
        main_.ItemsSortColumn = validColumn(*column);
    else
        main_.ItemsSortColumn = validColumn(main_.ItemsSortColumn);
    updateSortTitle();
    const int keep = column ? currentId(query, kItemID) : -1;
    query->close();
    // The date of each item's newest log row; a database without its log has none.
    const QString lastChanged =
        PriceLog::exists(main_.database())
            ? QStringLiteral("(SELECT max(L.PriceDate) FROM PriceLog L WHERE L.Item = I.ItemID)")
            : QStringLiteral("NULL");
    query->setSql(QStringList{
        QStringLiteral("SELECT *, %1 AS LastChanged").arg(lastChanged),
        QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
        QStringLiteral("WHERE I.Product = P.ProdID AND I.Shop = S.ShopID AND P.Category = C.CatID"),
        orderClause(main_.ItemsSortColumn)});
    query->open();
    ItemsItemsQueryAfterOpen();
    moveToId(query, kItemID, keep);
}

void CatalogueItemsPage::ItemsSearchChange(const QString& text) {
    search_.setText(text);
    if (main_.StartupPending || main_.page(main_.activePageIndex()) != this)
        return; // the next page show opens the list with it
    RefreshItemsQuery(currentId(main_.ItemsItemsQuery, kItemID));
}

void CatalogueItemsPage::RefreshItemsQuery(int itemId) {
    // After every add, change and delete; as slow as the page show.
    const ui::BusyCursor busy;
    engine::Query* query = main_.ItemsItemsQuery;
    query->close();
    query->open();
    ItemsItemsQueryAfterOpen();
    moveToId(query, kItemID, itemId);
}

void CatalogueItemsPage::RefreshItemsRow(int changedId, int itemId) {
    // One item came, changed or went: the list reads its order again and shows that row alone anew.
    engine::Query* query = main_.ItemsItemsQuery;
    if (!query->isOpen()) {
        RefreshItemsQuery(itemId);
        return;
    }
    const ui::BusyCursor busy;
    query->refreshAfterChange(changedId);
    ItemsItemsQueryAfterOpen();
    moveToId(query, kItemID, itemId);
}

void CatalogueItemsPage::ItemsItemsQueryAfterOpen() {
    ItemsTabSheetResize();
    const bool rows = main_.ItemsItemsQuery->isOpen() && !main_.ItemsItemsQuery->isEmpty();
    ItemsChangeBtn->setEnabled(rows);
    ItemsDelBtn->setEnabled(rows);
}

void CatalogueItemsPage::ItemsItemsQueryAfterScroll() {
    engine::Query* query = main_.ItemsItemsQuery;
    if (!query->isOpen() || query->isEmpty() || query->recNo() < 0) {
        showPriceHistory(-1);
        return;
    }
    showPriceHistory(query->field(kItemID).asInteger());
    const int category = query->field(QStringLiteral("Category")).asInteger();
    const int shop = query->field(QStringLiteral("Shop")).asInteger();
    const int product = query->field(kProdID).asInteger();
    const QString brand = query->field(QStringLiteral("Brand")).asString();
    const engine::Field size = query->field(QStringLiteral("Size"));
    const QString sizeText = size.isNull() ? QString() : QString::number(size.asInteger());
    const QString price = priceText(query->field(QStringLiteral("Price")).asFloat());
    if (main_.ItemsCatTable->isOpen())
        main_.ItemsCatTable->locate(kCatID, engine::Value{static_cast<std::int64_t>(category)});
    if (main_.ItemsShopTable->isOpen())
        main_.ItemsShopTable->locate(kShopID, engine::Value{static_cast<std::int64_t>(shop)});
    moveToId(main_.ItemsProdQuery, kProdID, product);
    ItemsBrandEdit->setText(brand);
    ItemsSizeEdit->setText(sizeText);
    ItemsPriceEdit->setText(price);
}

void CatalogueItemsPage::showPriceHistory(int itemId) {
    PriceChartBox->setHistory(itemId >= 0 ? PriceHistory(main_.database()).forItem(itemId)
                                          : std::vector<PricePoint>{});
    const PriceChart& chart = PriceChartBox->chart();
    PriceExtremesLabel->setText(
        chart.history().empty() ? QString() : chart.lowestText() + QLatin1Char('\n') + chart.highestText());
}

void CatalogueItemsPage::ItemsCatTableAfterScroll() {
    engine::Table* cats = main_.ItemsCatTable;
    if (!cats->isOpen())
        return;
    const bool any = !cats->isEmpty();
    ItemsCatEdit->setText(any ? cats->field(QStringLiteral("CatName")).asString() : QString());
    const int id = any ? cats->field(kCatID).asInteger() : -1;
    engine::Query* products = main_.ItemsProdQuery;
    products->close();
    products->setSql(QStringList{QStringLiteral("SELECT * FROM Products"),
                                 QStringLiteral("WHERE Category = %1").arg(id),
                                 QStringLiteral("ORDER BY ProdName")});
    products->open();
    if (products->isEmpty()) {
        ItemsProdEdit->clear();
        ItemsUOMEdit->clear();
    }
}

void CatalogueItemsPage::ItemsProdQueryAfterScroll() {
    engine::Query* products = main_.ItemsProdQuery;
    if (!products->isOpen() || products->isEmpty() || products->recNo() < 0)
        return;
    ItemsProdEdit->setText(products->field(QStringLiteral("ProdName")).asString());
    ItemsUOMEdit->setText(products->field(QStringLiteral("UnitOfMeasure")).asString());
}

ItemFields CatalogueItemsPage::typedFields() const {
    ItemFields f;
    f.productId = amendedProductId_;
    f.brand = ItemsBrandEdit->text();
    f.size = ItemsSizeEdit->text();
    f.price = ItemsPriceEdit->text();
    engine::Table* shops = main_.ItemsShopTable;
    if (shops->isOpen() && !shops->isEmpty())
        f.shopId = shops->field(kShopID).asInteger();
    return f;
}

bool CatalogueItemsPage::AmendCatProd() {
    const CatProdResult r =
        editor_.amendCatProd(ItemsCatEdit->text(), ItemsProdEdit->text(), ItemsUOMEdit->text());
    if (!r.ok) {
        warn(this, r.warning);
        return false;
    }
    amendedProductId_ = r.productId;
    return true;
}

void CatalogueItemsPage::ItemsAddBtnClick() {
    // Size and price are checked first, so a refused number creates no category or product type.
    if (auto problem = writer_.inputProblem(typedFields())) {
        fail(this, *problem);
        return;
    }
    if (!AmendCatProd())
        return;
    ItemFields fields = typedFields();
    fields.priceEntered = !fields.price.trimmed().isEmpty();
    const int id = writer_.add(fields);
    ItemsPriceEdit->setModified(false);
    search_.keep(id);
    RefreshItemsRow(id, id);
}

void CatalogueItemsPage::ItemsChangeBtnClick() {
    const int id = currentId(main_.ItemsItemsQuery, kItemID);
    if (auto problem = writer_.inputProblem(typedFields())) {
        fail(this, *problem);
        return;
    }
    if (!AmendCatProd())
        return;
    ItemFields fields = typedFields();
    // Typed over, the price counts as entered (a confirmation when unchanged); otherwise it is not touched.
    fields.priceEntered = ItemsPriceEdit->isModified();
    writer_.change(id, fields);
    ItemsPriceEdit->setModified(false);
    search_.keep(id);
    RefreshItemsRow(id, id);
}

void CatalogueItemsPage::ItemsDelBtnClick() {
    engine::Query* query = main_.ItemsItemsQuery;
    if (!query->isOpen() || query->isEmpty())
        return;
    if (!ui::confirm(QStringLiteral("Delete the current item from the list?"), ui::MessageButtons::YesNo,
                     this))
        return;
    const int doomed = currentId(query, kItemID);
    // The following row becomes current, or the one before the last. Read, not moved to: moving would run
    // the page's follow-up steps, and a failure there must not come between the question and the deletion.
    const int row = query->recNo();
    const int next = row + 1 < query->recordCount() ? row + 1 : row - 1;
    int neighbour = doomed;
    if (next >= 0) {
        const engine::Value id = query->valueAt(next, query->fieldIndex(kItemID));
        if (const auto* value = std::get_if<std::int64_t>(&id))
            neighbour = static_cast<int>(*value);
    }
    if (!writer_.remove(doomed))
        return;
    RefreshItemsRow(doomed, neighbour);
}

void CatalogueItemsPage::reopenProducts() {
    engine::Query* products = main_.ItemsProdQuery;
    products->close();
    products->open();
    if (products->isEmpty()) {
        ItemsProdEdit->clear();
        ItemsUOMEdit->clear();
    }
}

void CatalogueItemsPage::ProdGridPopupPopup() {
    const bool current = main_.ItemsProdQuery->isOpen() && !main_.ItemsProdQuery->isEmpty();
    QMenu* popup = ProdGridPopup;
    for (QAction* a : {popupAction(popup, QStringLiteral("ProdPopupDelete")),
                       popupAction(popup, QStringLiteral("ProdPopupRename"))})
        if (a)
            a->setEnabled(current);
}

void CatalogueItemsPage::ProdPopupDeleteClick() {
    engine::Query* products = main_.ItemsProdQuery;
    if (!products->isOpen() || products->isEmpty())
        return;
    const int product = products->field(kProdID).asInteger();
    const int items = editor_.productItemCount(product);
    if (items > 0 && ui::showMessage(ui::MessageKind::Warning, deleteProductTypeWarning(items),
                                     ui::MessageButtons::OkCancel, this) != ui::MessageAnswer::Ok)
        return;
    const int keep = currentId(main_.ItemsItemsQuery, kItemID);
    editor_.deleteProduct(product);
    reopenProducts();
    RefreshItemsQuery(keep);
}

void CatalogueItemsPage::ProdPopupRenameClick() {
    engine::Query* products = main_.ItemsProdQuery;
    if (!products->isOpen() || products->isEmpty())
        return;
    const int product = products->field(kProdID).asInteger();
    const std::optional<QString> name = ui::DialogService::instance().inputText(
        this, QStringLiteral("Rename product type"), QStringLiteral("Enter new product type name"),
        products->field(QStringLiteral("ProdName")).asString());
    if (!name)
        return;
    const EditOutcome outcome = editor_.renameProduct(product, *name);
    if (outcome.kind == EditOutcome::Kind::Warning)
        warn(this, outcome.message);
    else if (outcome.kind == EditOutcome::Kind::Error)
        fail(this, outcome.message);
    const int keep = currentId(main_.ItemsItemsQuery, kItemID);
    reopenProducts();
    moveToId(products, kProdID, product);
    RefreshItemsQuery(keep);
}
