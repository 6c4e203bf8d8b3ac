#include "ShoppingListPage.h"

#include "BusyCursor.h"
#include "EngineError.h"
#include "Helpers.h"
#include "HoverSpeedButton.h"
#include "Icons.h"
#include "ListCellDelegate.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PriceSignals.h"
#include "Query.h"
#include "SearchBox.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"
#include "Table.h"
#include "TaggedItemDelegate.h"
#include "ThemedDBGrid.h"
#include "ThemedHeader.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* totalLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.25);
    label->setFont(f);
    return label;
}

ui::HoverSpeedButton* speedButton(const QString& name, const QString& icon, const QString& hint,
                                  QWidget* parent) {
    auto* button = new ui::HoverSpeedButton(parent);
    button->setObjectName(name);
    button->setGlyph(ui::Icons::pixmap(icon, 16));
    button->setToolTip(hint);
    return button;
}

} // namespace

ShoppingListPage::ShoppingListPage(MainWindow& main, QWidget* parent) : AppPage(main, parent) {
    list_ = new ShoppingList(main_.database(), *main_.ShoppingListQuery, *main_.ItemTable, this);
    list_->useIndex(&main_.itemIndex());
    list_->onTotalsChanged = [this] { RefreshTotalLabels(); };
    list_->onInvalidEntry = [this](const QString& text) {
        ui::showMessage(ui::MessageKind::Warning, text, ui::MessageButtons::Ok, this);
    };
    buildControls();
    createPopup();
    setUpGrid();
    RefreshTotalLabels();
}

ShoppingListPage::~ShoppingListPage() = default;

void ShoppingListPage::buildControls() {
    auto* layout = new QVBoxLayout(this);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* shopsBox = new QVBoxLayout;
    auto* shopsLabel = new QLabel(QStringLiteral("Select &shop(s)"), Panel1);
    ShopsLB = new QListWidget(Panel1);
    ShopsLB->setObjectName(QStringLiteral("ShopsLB"));
    ShopsLB->setAccessibleName(QStringLiteral("Select shop(s)"));
    shopsLabel->setBuddy(ShopsLB);
    shopsBox->addWidget(shopsLabel);
    shopsBox->addWidget(ShopsLB);
    panelLayout->addLayout(shopsBox, 1);
    ShopsLB->setItemDelegate(new TaggedItemDelegate(0, false, ShopsLB));
    ShopsLB->setSelectionMode(QAbstractItemView::MultiSelection);
    connect(ShopsLB, &QListWidget::itemSelectionChanged, this, [this] { ShopsLBClick(); });

    auto* shopButtons = new QHBoxLayout;
    AllShopsBtn = speedButton(QStringLiteral("AllShopsBtn"), QStringLiteral("selectall"),
                              QStringLiteral("All shops"), Panel1);
    connect(AllShopsBtn, &QAbstractButton::clicked, this, [this] { AllShopsBtnClick(); });
    AllItemsCB = new QCheckBox(QStringLiteral("Show &all items"), Panel1);
    AllItemsCB->setObjectName(QStringLiteral("AllItemsCB"));
    AllItemsCB->setChecked(true);
    connect(AllItemsCB, &QCheckBox::toggled, this, [this] { ShopsLBClick(); });
    shopButtons->addWidget(AllShopsBtn);
    shopButtons->addWidget(AllItemsCB);
    shopButtons->addStretch(1);
    shopsBox->addLayout(shopButtons);

    auto* middle = new QVBoxLayout;
    auto* modes = new QHBoxLayout;
    QuantityRB = speedButton(QStringLiteral("QuantityRB"), QStringLiteral("list"),
                             QStringLiteral("Edit shopping list"), Panel1);
    PriceRB =
        speedButton(QStringLiteral("PriceRB"), QStringLiteral("edit"), QStringLiteral("Edit prices"), Panel1);
    QuantityRB->setProperty("tag", 1);
    PriceRB->setProperty("tag", 2);
    for (ui::HoverSpeedButton* b : {QuantityRB, PriceRB}) {
        b->setFlat(true);
        b->setGroupIndex(1);
        connect(b, &QAbstractButton::clicked, this,
                [this, b] { QuantityRBClick(b->property("tag").toInt()); });
        modes->addWidget(b);
    }
    QuantityRB->setChecked(true);
    ListClearBtn = new QPushButton(QStringLiteral("&Clear"), Panel1);
    ListClearBtn->setObjectName(QStringLiteral("ListClearBtn"));
    ListClearBtn->setToolTip(QStringLiteral("Clear quantities"));
    ListClearBtn->setEnabled(false);
    connect(ListClearBtn, &QPushButton::clicked, this, [this] { ListClearBtnClick(); });
    PrintBtn = new QPushButton(QStringLiteral("&Print"), Panel1);
    PrintBtn->setObjectName(QStringLiteral("PrintBtn"));
    PrintBtn->setToolTip(QStringLiteral("Print shopping list"));
    runsMenuCommand(PrintBtn, QStringLiteral("PrintShoppingItem"));
    CopyListBtn = new QPushButton(QStringLiteral("Cop&y"), Panel1);
    CopyListBtn->setObjectName(QStringLiteral("CopyListBtn"));
    CopyListBtn->setToolTip(QStringLiteral("Copy shopping list (Ctrl+Shift+C)"));
    runsMenuCommand(CopyListBtn, QStringLiteral("CopyShoppingListItem"));
    QrCodeBtn = new QPushButton(QStringLiteral("&QR code..."), Panel1);
    QrCodeBtn->setObjectName(QStringLiteral("QrCodeBtn"));
    QrCodeBtn->setToolTip(QStringLiteral("Show list as QR code"));
    runsMenuCommand(QrCodeBtn, QStringLiteral("ShowListQrCodeItem"));
    modes->addWidget(ListClearBtn);
    modes->addWidget(PrintBtn);
    modes->addWidget(CopyListBtn);
    modes->addWidget(QrCodeBtn);
    modes->addStretch(1);
    middle->addLayout(modes);
    TotalItemsLabel = totalLabel(QStringLiteral("Items:"), QStringLiteral("TotalItemsLabel"), Panel1);
    TotalCostLabel = totalLabel(QStringLiteral("Total cost:"), QStringLiteral("TotalCostLabel"), Panel1);
    middle->addWidget(TotalItemsLabel);
    middle->addWidget(TotalCostLabel);
    middle->addStretch(1);
    panelLayout->addLayout(middle);

    // The notes under their own label.
    NotesMemo = new QPlainTextEdit(Panel1);
    NotesMemo->setObjectName(QStringLiteral("NotesMemo"));
    auto* notes = new QVBoxLayout;
    auto* notesLabel = new QLabel(QStringLiteral("&Notes"), Panel1);
    notesLabel->setBuddy(NotesMemo);
    NotesMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->addWidget(notesLabel);
    notes->addWidget(NotesMemo);
    panelLayout->addLayout(notes, 1);
    // Tab leaves the notes like any other box: a tab character is no use on a shopping note.
    NotesMemo->setTabChangesFocus(true);
    layout->addWidget(Panel1);

    ListSearch = new ui::SearchBox(
        this, QStringLiteral("Search product type, brand, category, shop, size or price"), this);
    ListSearch->setObjectName(QStringLiteral("ListSearch"));
    ListSearch->setAccessibleName(QStringLiteral("Search the shopping list"));
    connect(ListSearch, &ui::SearchBox::searchChanged, this,
            [this](const QString& text) { ListSearchChange(text); });
    layout->addWidget(ListSearch);

    // Made after the notes; the keyboard order is set with the grid's other settings.
    ShoppingGrid = new ui::ThemedDBGrid(this);
    ShoppingGrid->setObjectName(QStringLiteral("ShoppingGrid"));
    ShoppingGrid->setAccessibleName(QStringLiteral("Shopping list"));
    layout->addWidget(ShoppingGrid, 1);
}

void ShoppingListPage::runsMenuCommand(QPushButton* button, const QString& actionName) {
    // The button runs exactly what the command does, and is available exactly when the command is.
    if (QAction* action = main_.menuAction(actionName)) {
        button->setEnabled(action->isEnabled());
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
    } else {
        button->setEnabled(false);
    }
}

void ShoppingListPage::createPopup() {
    ShoppingListPopup = new QMenu(this);
    ShoppingListPopup->setObjectName(QStringLiteral("ShoppingListPopup"));
    QAction* edit = ShoppingListPopup->addAction(QStringLiteral("&Edit this item..."));
    edit->setObjectName(QStringLiteral("SLPopEdititem1"));
    edit->setEnabled(false); // enabled as the menu opens, when there is an item to edit
}

void ShoppingListPage::setUpGrid() {
    grid_ = ShoppingGrid;
    grid_->setDataSet(main_.ShoppingListQuery);
    std::vector<ui::DataSetModel::Column> columns;
    for (int c = 0; c < ShoppingQuery::ColumnCount; ++c) {
        const ShoppingQuery::ColumnInfo& info = ShoppingQuery::column(c);
        ui::DataSetModel::Column column;
        column.fieldName = info.field;
        column.title = info.title;
        column.width = info.width;
        column.readOnly = c != ShoppingQuery::QtyColumn;
        if (c == ShoppingQuery::QtyColumn || c == ShoppingQuery::SizeColumn ||
            c == ShoppingQuery::PriceColumn)
            column.alignment = Qt::AlignRight | Qt::AlignVCenter;
        if (c == ShoppingQuery::PriceColumn) {
            // Two decimals, no currency symbol, no thousands separator.
            column.formatter = [](const engine::Value& v) -> QString {
                if (engine::isNull(v))
                    return {};
                QLocale plain;
                plain.setNumberOptions(QLocale::OmitGroupSeparator);
                const double d = std::holds_alternative<double>(v) ? std::get<double>(v)
                                 : std::holds_alternative<std::int64_t>(v)
                                     ? static_cast<double>(std::get<std::int64_t>(v))
                                     : 0.0;
                return plain.toString(d, 'f', 2);
            };
            // The editor opens with the price as the grid shows it, not the float's every digit.
            column.editFormatter = column.formatter;
        }
        columns.push_back(column);
    }
    grid_->setColumns(columns);
    grid_->verticalHeader()->hide(); // no row indicator
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setColumnMoving(false);
    grid_->setTabKeyNavigation(false); // Tab moves to the next control; the cell cursor stays in its column

    // The grid is made after the notes; the keyboard visits the search box and the grid between the shop
    // list and the notes.
    ListSearch->setList(grid_);
    setTabOrder(ShopsLB, ListSearch);
    setTabOrder(ListSearch, grid_);
    setTabOrder(grid_, NotesMemo);

    cells_ = new ListCellDelegate(grid_);
    // Prices that went up since the entry before are marked, those not confirmed for long muted; the marks
    // are read from the log as the rows are drawn and read again when the list changes.
    priceSignals_ = std::make_unique<PriceSignals>(main_.database());
    cells_->setSignalOf([this](const QModelIndex& index) {
        engine::DataSet* data = main_.ShoppingListQuery;
        if (index.column() != ShoppingQuery::PriceColumn || !data->isOpen() ||
            index.row() >= data->recordCount())
            return PriceSignal{};
        const int field = data->fieldIndex(QStringLiteral("ItemID"));
        const engine::Value item = field >= 0 ? data->valueAt(index.row(), field) : engine::Value{};
        const auto* id = std::get_if<std::int64_t>(&item);
        return id ? priceSignals_->forItem(static_cast<int>(*id), QDate::currentDate(),
                                           main_.stalePriceDays())
                  : PriceSignal{};
    });
    for (const auto changed : {&engine::DataSet::contentReset, &engine::DataSet::stateChanged})
        connect(main_.ShoppingListQuery, changed, this, [this] { priceSignals_->clear(); });
    connect(main_.ShoppingListQuery, &engine::DataSet::rowChanged, this, [this] { priceSignals_->clear(); });
    for (int c = 0; c < ShoppingQuery::ColumnCount; ++c)
        grid_->setItemDelegateForColumn(c, cells_);
    connect(cells_, &ListCellDelegate::enterPressed, this, [this] { moveToNextRow(); });
    connect(cells_, &ListCellDelegate::invalidEntry, this, [this](const QString& text) {
        ui::showMessage(ui::MessageKind::Warning, text, ui::MessageButtons::Ok, this);
    });

    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (current.row() != previous.row())
                    grid_->viewport()->update();
                if (current.isValid() && current.column() != previous.column())
                    lockColumn();
            });
    connect(grid_, &ui::ThemedDBGrid::titleClick, this,
            [this](int column) { ShoppingGridTitleClick(column); });
    grid_->installEventFilter(this);

    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, ShoppingListPopup,
            [this](const QPoint& pos) { ShoppingListPopup->popup(grid_->viewport()->mapToGlobal(pos)); });
    connect(ShoppingListPopup, &QMenu::aboutToShow, this, &ShoppingListPage::ShoppingListPopupPopup);
    connect(editItemAction(), &QAction::triggered, this, [this] { SLPopEdititem1Click(); });
}

QAction* ShoppingListPage::editItemAction() const {
    for (QAction* a : ShoppingListPopup->actions())
        if (a->objectName() == QLatin1String("SLPopEdititem1"))
            return a;
    return nullptr;
}

void ShoppingListPage::fillShopsList() {
    engine::Table* shops = main_.ItemsShopTable;
    ShopsLB->clear();
    shops->setIndexName(QStringLiteral("IdxName"));
    shops->open();
    for (shops->first(); !shops->eof(); shops->next())
        ShopsLB->addItem(TaggedListEntry(shops->field(QStringLiteral("ShopID")).asInteger(),
                                         shops->field(QStringLiteral("ShopName")).asString()));
    shops->close();
    for (int i = 0; i < ShopsLB->count(); ++i) {
        const int id = ExtractLBID(ShopsLB->item(i)->text());
        ShopsLB->item(i)->setSelected(main_.SelectedShopIDs.contains(QString::number(id)));
    }
}

void ShoppingListPage::arrangeLayout() {
    // Rows as high as the text of the list's font needs, whatever the style would add.
    const int height = QFontMetrics(ShopsLB->font()).height() + 1;
    ShopsLB->setStyleSheet(QStringLiteral("QAbstractItemView::item { height: %1px; }").arg(height));
}

QList<ui::ThemedDBGrid*> ShoppingListPage::settingsGrids() const {
    return {ShoppingGrid};
}

QList<ui::HoverSpeedButton*> ShoppingListPage::hoverButtons() const {
    return {AllShopsBtn, QuantityRB, PriceRB};
}

QStringList ShoppingListPage::notes() const {
    if (NotesMemo->document()->isEmpty())
        return {};
    QStringList lines = NotesMemo->toPlainText().split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void ShoppingListPage::setNotes(const QStringList& lines) {
    // In one go: appended line by line, the time grows with the square of the number of lines.
    NotesMemo->setPlainText(lines.join(QLatin1Char('\n')));
}

ListEditMode ShoppingListPage::mode() const {
    return list_->mode();
}

QList<int> ShoppingListPage::selectedShopIds() const {
    QList<int> ids;
    for (int i = 0; i < ShopsLB->count(); ++i)
        if (ShopsLB->item(i)->isSelected())
            ids << ExtractLBID(ShopsLB->item(i)->text());
    return ids;
}

void ShoppingListPage::showStep() {
    if (main_.StartupPending)
        return;
    {
        const QSignalBlocker block(ShopsLB);
        fillShopsList();
        if (ShopsLB->count() == 1 && ShopsLB->selectedItems().isEmpty())
            ShopsLB->item(0)->setSelected(true);
    }
    ShopsLB->viewport()->update();
    grid_->setBoldTitleColumn(ShoppingQuery::validSortColumn(main_.ListSortColumn));
    ShopsLBClick();
}

void ShoppingListPage::leaveStep() {
    grid_->cancelPendingEdit();
    main_.SelectedShopIDs.clear();
    for (int id : selectedShopIds())
        main_.SelectedShopIDs << QString::number(id);
    // Left twice in a row (an explicit leave, then the page change) keeps the item of the first.
    if (main_.ShoppingListQuery->isOpen())
        main_.LastListItemID = list_->currentItemId();
    main_.ShoppingListQuery->close();
}

void ShoppingListPage::ShopsLBClick() {
    if (main_.StartupPending)
        return;
    RebuildShoppingQuery();
    RefreshShoppingQuery(main_.LastListItemID);
    ListClearBtn->setEnabled(!ShopsLB->selectedItems().isEmpty());
}

void ShoppingListPage::AllShopsBtnClick() {
    {
        const QSignalBlocker block(ShopsLB);
        ShopsLB->selectAll();
    }
    ShopsLB->viewport()->update();
    ShopsLBClick();
}

void ShoppingListPage::RebuildShoppingQuery() {
    grid_->cancelPendingEdit();
    list_->RebuildShoppingQuery(selectedShopIds(), AllItemsCB->isChecked(),
                                ShoppingQuery::validSortColumn(main_.ListSortColumn));
}

void ShoppingListPage::RefreshShoppingQuery(int itemId) {
    // Every page show, shop choice, mode change and sort ends here; on a large list it takes a while.
    const ui::BusyCursor busy;
    grid_->cancelPendingEdit();
    list_->RefreshShoppingQuery(itemId);
    grid_->fitLastColumn();
}

void ShoppingListPage::RefreshTotalLabels() {
    TotalItemsLabel->setText(list_->itemsText());
    TotalCostLabel->setText(list_->costText());
}

void ShoppingListPage::ShoppingGridTitleClick(int column) {
    main_.ListSortColumn = ShoppingQuery::validSortColumn(column);
    grid_->setBoldTitleColumn(main_.ListSortColumn);
    const int itemId = list_->currentItemId();
    RebuildShoppingQuery();
    RefreshShoppingQuery(itemId);
}

void ShoppingListPage::ListSearchChange(const QString& text) {
    const int itemId = list_->currentItemId();
    list_->setSearch(text);
    if (main_.StartupPending || main_.page(main_.activePageIndex()) != this)
        return; // the next page show builds the list with it
    RebuildShoppingQuery();
    RefreshShoppingQuery(itemId);
}

void ShoppingListPage::QuantityRBClick(int tag) {
    const bool quantity = tag != 2;
    grid_->cancelPendingEdit();
    QuantityRB->setChecked(quantity);
    PriceRB->setChecked(!quantity);
    list_->setMode(quantity ? ListEditMode::Quantity : ListEditMode::Price);
    cells_->setMode(list_->mode());
    grid_->gridModel()->setColumnReadOnly(ShoppingQuery::QtyColumn, !quantity);
    grid_->gridModel()->setColumnReadOnly(ShoppingQuery::PriceColumn, quantity);
    AllItemsCB->setChecked(quantity); // a change of state rebuilds the list
    ShoppingGridColEnter();
}

void ShoppingListPage::selectQuantityMode() {
    QuantityRBClick(1);
}

void ShoppingListPage::selectPriceMode() {
    QuantityRBClick(2);
}

void ShoppingListPage::ShoppingGridColEnter() {
    lockColumn();
    grid_->setFocus(Qt::OtherFocusReason);
}

void ShoppingListPage::lockColumn() {
    const int target =
        list_->mode() == ListEditMode::Quantity ? ShoppingQuery::QtyColumn : ShoppingQuery::PriceColumn;
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid() && current.column() != target) {
        const QModelIndex to = grid_->model()->index(current.row(), target);
        grid_->selectionModel()->setCurrentIndex(to, QItemSelectionModel::ClearAndSelect);
    }
}

void ShoppingListPage::moveToNextRow() {
    engine::Query* query = main_.ShoppingListQuery;
    if (!query->isOpen() || query->isEmpty())
        return;
    if (query->state() == engine::DataSet::State::Edit) {
        if (query->isModified())
            query->post();
        else
            query->cancel();
    }
    if (query->recNo() + 1 < query->recordCount())
        query->moveTo(query->recNo() + 1);
}

void ShoppingListPage::ListClearBtnClick() {
    const int n = static_cast<int>(selectedShopIds().size());
    if (!ui::confirm(QStringLiteral("Clear all quantities from ") + QString::number(n) +
                         QStringLiteral(" shop") + PluralSuffix(n) + QLatin1Char('?'),
                     ui::MessageButtons::YesNo, this))
        return;
    const ui::BusyCursor busy;
    grid_->cancelPendingEdit();
    list_->clearQuantities();
    grid_->fitLastColumn();
}

void ShoppingListPage::ShoppingListPopupPopup() {
    if (QAction* edit = editItemAction())
        edit->setEnabled(main_.ShoppingListQuery->isOpen() && main_.ShoppingListQuery->recordCount() > 0);
}

void ShoppingListPage::SLPopEdititem1Click() {
    if (!main_.ShoppingListQuery->isOpen() || main_.ShoppingListQuery->isEmpty())
        return;
    main_.LastItemsItemID = list_->currentItemId();
    leaveStep();
    main_.showPage(MainWindow::ItemsPageIndex);
}

void ShoppingListPage::resizeEvent(QResizeEvent* event) {
    AppPage::resizeEvent(event);
    grid_->fitLastColumn();
}

bool ShoppingListPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Delete && mods == Qt::ControlModifier)
            return true; // list rows are never deleted here
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            moveToNextRow();
            return true;
        }
    }
    return AppPage::eventFilter(watched, event);
}

void installShoppingListPage(MainWindow& main) {
    main.installPage(MainWindow::ListPageIndex, new ShoppingListPage(main));
}
