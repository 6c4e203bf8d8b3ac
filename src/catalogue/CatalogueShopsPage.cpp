#include "CatalogueShopsPage.h"

#include "BusyCursor.h"
#include "CatalogueText.h"
#include "CharacterLimit.h"
#include "DefaultButton.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PageSupport.h"
#include "SearchBox.h"
#include "ThemedDBGrid.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace catalogue;

namespace {
const QString kShopID = QStringLiteral("ShopID");
const QString kShopName = QStringLiteral("ShopName");
const QString kAddress = QStringLiteral("Address");
const QString kPhone = QStringLiteral("Phone");
} // namespace

CatalogueShopsPage::CatalogueShopsPage(MainWindow& main, QWidget* parent)
    : AppPage(main, parent), editor_(main.database()),
      search_(main.database(), *main.ShopShopTable, QStringLiteral("Shops"), {kShopName, kAddress, kPhone},
              kShopID) {
    ShopGrid = makeGrid(QStringLiteral("ShopGrid"), main_.ShopShopTable, this,
                        {gridColumn("ShopName", "Shop name", 117), gridColumn("Address", "Address", 329),
                         gridColumn("Phone", "Phone", 128)});
    ShopGrid->setAccessibleName(QStringLiteral("Shops"));
    auto* grid = new QGridLayout(this);
    const auto edit = [this, grid](const char* name, const char* caption, int maxLength, int row) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        ui::limitCharacters(e, maxLength);
        label->setBuddy(e);
        grid->addWidget(label, row, 0);
        grid->addWidget(e, row, 1);
        connect(e, &QLineEdit::textChanged, this, [this] { ShopNameEditChange(); });
        return e;
    };
    ShopNameEdit = edit("ShopNameEdit", "Shop &name", kNameLength, 0);
    ShopAddrEdit = edit("ShopAddrEdit", "Add&ress", kAddressLength, 1);
    ShopPhoneEdit = edit("ShopPhoneEdit", "&Phone", kPhoneLength, 2);
    const auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    ShopAddBtn = button("ShopAddBtn", "&Add", "Add new shop");
    ShopChangeBtn = button("ShopChangeBtn", "&Change", "Update current shop");
    ShopDelBtn = button("ShopDelBtn", "&Delete", "Delete current shop(s)");
    grid->addWidget(ShopAddBtn, 0, 2);
    grid->addWidget(ShopChangeBtn, 1, 2);
    grid->addWidget(ShopDelBtn, 2, 2);
    ShopSearch = new ui::SearchBox(this, QStringLiteral("Search shop names, addresses and phone numbers"));
    ShopSearch->setObjectName(QStringLiteral("ShopSearch"));
    ShopSearch->setAccessibleName(QStringLiteral("Search shops"));
    ShopSearch->setList(ShopGrid);
    grid->addWidget(ShopSearch, 3, 0, 1, 3);
    grid->addWidget(ShopGrid, 4, 0, 1, 3);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    grid->setContentsMargins(10, 10, 40, 10);
    grid->setHorizontalSpacing(10);

    ShopGrid->setMultiSelect(true);
    ShopGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ShopGrid->viewport()->installEventFilter(this);

    engine::Table* table = main_.ShopShopTable;
    table->setOnPostError([this](engine::DataSet& data, const engine::EngineError& e) {
        return ShopShopTablePostError(data, e);
    });
    connect(table, &engine::DataSet::currentChanged, this,
            [this] { followUp(this, [this] { ShopShopTableAfterScroll(); }); });
    connect(ShopGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ShopGridCellClick(); });
    connect(ShopAddBtn, &QPushButton::clicked, this, [this] { ShopAddBtnClick(); });
    ui::DefaultButton::install(ShopAddBtn, {ShopNameEdit, ShopAddrEdit, ShopPhoneEdit});
    connect(ShopChangeBtn, &QPushButton::clicked, this, [this] { ShopChangeBtnClick(); });
    connect(ShopDelBtn, &QPushButton::clicked, this, [this] { ShopDelBtnClick(); });
    connect(ShopSearch, &ui::SearchBox::searchChanged, this,
            [this](const QString& text) { followUp(this, [this, text] { ShopSearchChange(text); }); });
    setTabOrder(ShopDelBtn, ShopSearch);
    setTabOrder(ShopSearch, ShopGrid);
    ShopNameEditChange();
}

void CatalogueShopsPage::showStep() {
    if (main_.StartupPending)
        return;
    followUp(this, [this] {
        engine::Table* table = main_.ShopShopTable;
        table->setIndexName(QStringLiteral("IdxName"));
        table->open();
        if (!table->locate(kShopID, engine::Value{static_cast<std::int64_t>(main_.LastShopID)}))
            table->first();
        ShopShopTableAfterScroll();
        selectCurrentRowOnly(ShopGrid);
        ShopGridCellClick();
        ShopsTabSheetResize();
    });
}

void CatalogueShopsPage::ShopSearchChange(const QString& text) {
    engine::Table* table = main_.ShopShopTable;
    search_.setText(text);
    if (main_.StartupPending || main_.page(main_.activePageIndex()) != this)
        return; // the next page show opens the list with it
    const int id = currentId(table, kShopID);
    table->close();
    table->open();
    if (!table->locate(kShopID, engine::Value{static_cast<std::int64_t>(id)}))
        table->first();
    ShopShopTableAfterScroll();
    selectCurrentRowOnly(ShopGrid);
    ShopGridCellClick();
}

void CatalogueShopsPage::leaveStep() {
    main_.LastShopID = currentId(main_.ShopShopTable, kShopID);
    main_.ShopShopTable->close();
}

QList<ui::ThemedDBGrid*> CatalogueShopsPage::settingsGrids() const {
    return {ShopGrid};
}

bool CatalogueShopsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ShopGrid->viewport() && event->type() == QEvent::Resize)
        ShopsTabSheetResize();
    return AppPage::eventFilter(watched, event);
}

void CatalogueShopsPage::ShopsTabSheetResize() {
    ShopGrid->fitLastColumn();
}

void CatalogueShopsPage::ShopShopTableAfterScroll() {
    engine::Table* table = main_.ShopShopTable;
    if (bulk_ || table->controlsDisabled() || !table->isOpen())
        return;
    if (table->isEmpty()) {
        ShopNameEdit->clear();
        ShopAddrEdit->clear();
        ShopPhoneEdit->clear();
    } else if (!table->field(kShopName).isNull()) {
        ShopNameEdit->setText(table->field(kShopName).asString());
        ShopAddrEdit->setText(table->field(kAddress).asString());
        ShopPhoneEdit->setText(table->field(kPhone).asString());
    }
}

void CatalogueShopsPage::ShopNameEditChange() {
    const bool named = !ShopNameEdit->text().trimmed().isEmpty();
    ShopAddBtn->setEnabled(named);
    ShopChangeBtn->setEnabled(named);
}

void CatalogueShopsPage::ShopGridCellClick() {
    ShopDelBtn->setText(deleteCaption(static_cast<int>(ShopGrid->selectedRows().size())));
}

std::optional<QString> CatalogueShopsPage::inputProblem() const {
    if (auto p = tooLong(ShopNameEdit->text(), kNameLength, QStringLiteral("The shop name")))
        return p;
    if (auto p = tooLong(ShopAddrEdit->text(), kAddressLength, QStringLiteral("The address")))
        return p;
    return tooLong(ShopPhoneEdit->text(), kPhoneLength, QStringLiteral("The phone number"));
}

// Sets the three fields of the pending row and posts it; false when the post failed (already reported).
bool CatalogueShopsPage::writeFields() {
    engine::Table* table = main_.ShopShopTable;
    try {
        table->field(kShopName).setString(ShopNameEdit->text().trimmed());
        table->field(kAddress).setString(ShopAddrEdit->text().trimmed());
        table->field(kPhone).setString(ShopPhoneEdit->text().trimmed());
        table->post();
        search_.keep(table->field(kShopID).asInteger());
        return true;
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        table->cancel();
        fail(this, e.message());
    }
    return false;
}

void CatalogueShopsPage::returnToLastShop() {
    main_.ShopShopTable->locate(kShopID, engine::Value{static_cast<std::int64_t>(main_.LastShopID)});
}

engine::DataSet::PostErrorAction CatalogueShopsPage::ShopShopTablePostError(engine::DataSet& data,
                                                                            const engine::EngineError& e) {
    const QString name = data.field(kShopName).asString();
    data.cancel();
    returnToLastShop();
    if (e.code() == engine::KeyViolation) {
        ShopNameEdit->setText(name);
        ShopNameEdit->setFocus();
        warn(this, shopExists(name));
    } else {
        fail(this, e.message());
    }
    return engine::DataSet::PostErrorAction::Abort;
}

void CatalogueShopsPage::finishBulkStep() {
    main_.ShopShopTable->enableControls();
    bulk_ = false;
    selectCurrentRowOnly(ShopGrid);
    ShopGridCellClick();
}

void CatalogueShopsPage::ShopAddBtnClick() {
    engine::Table* table = main_.ShopShopTable;
    if (!table->isOpen())
        return;
    if (auto problem = inputProblem()) {
        warn(this, *problem);
        return;
    }
    bulk_ = true;
    table->disableControls();
    main_.LastShopID = currentId(table, kShopID);
    table->append();
    writeFields();
    finishBulkStep();
}

void CatalogueShopsPage::ShopChangeBtnClick() {
    engine::Table* table = main_.ShopShopTable;
    if (!table->isOpen() || table->isEmpty())
        return;
    if (auto problem = inputProblem()) {
        warn(this, *problem);
        return;
    }
    // The post reloads the grid; Change acts on the current row only and leaves the selection as it was.
    const QList<int> selected = selectedIds(ShopGrid, kShopID);
    search_.keep(currentId(table, kShopID));
    table->edit();
    writeFields();
    selectIds(ShopGrid, kShopID, selected);
}

void CatalogueShopsPage::ShopDelBtnClick() {
    engine::Table* table = main_.ShopShopTable;
    const QList<int> ids = selectedIds(ShopGrid, kShopID);
    if (ids.isEmpty() || !table->isOpen())
        return;
    main_.LastShopID = currentId(table, kShopID);
    bulk_ = true;
    table->disableControls();
    QString error;
    try {
        const int items = editor_.shopItemCount(ids);
        if (items == 0 ||
            ui::showMessage(ui::MessageKind::Warning, deleteShopsWarning(static_cast<int>(ids.size()), items),
                            ui::MessageButtons::OkCancel, this) == ui::MessageAnswer::Ok) {
            const ui::BusyCursor busy; // their items and aisles go too
            editor_.deleteShops(ids);
        }
    } catch (const engine::EngineError& e) {
        error = e.message();
    }
    try {
        returnToLastShop();
    } catch (const engine::EngineError& e) {
        if (error.isEmpty())
            error = e.message();
    }
    finishBulkStep();
    ShopShopTableAfterScroll();
    if (!error.isEmpty())
        fail(this, error);
}
