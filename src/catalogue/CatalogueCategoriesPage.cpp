#include "CatalogueCategoriesPage.h"

#include "BusyCursor.h"
#include "CatalogueText.h"
#include "CharacterLimit.h"
#include "DefaultButton.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PageSupport.h"
#include "SearchBox.h"
#include "ThemedDBGrid.h"

#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace catalogue;

namespace {
const QString kCatID = QStringLiteral("CatID");
const QString kCatName = QStringLiteral("CatName");
} // namespace

CatalogueCategoriesPage::CatalogueCategoriesPage(MainWindow& main, QWidget* parent)
    : AppPage(main, parent), editor_(main.database()),
      search_(main.database(), *main.CatCatTable, QStringLiteral("Categories"), {kCatName}, kCatID) {
    CatGrid = makeGrid(QStringLiteral("CatGrid"), main_.CatCatTable, this);
    CatGrid->setAccessibleName(QStringLiteral("Categories"));
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Category &name"), this);
    CatCatEdit = new QLineEdit(this);
    CatCatEdit->setObjectName(QStringLiteral("CatCatEdit"));
    ui::limitCharacters(CatCatEdit, kNameLength);
    label->setBuddy(CatCatEdit);
    const auto button = [this](const char* name, const char* caption, const char* hint) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QString::fromUtf8(hint));
        return b;
    };
    CatAddBtn = button("CatAddBtn", "&Add", "Add new category");
    CatChangeBtn = button("CatChangeBtn", "&Change", "Rename current category");
    CatDelBtn = button("CatDelBtn", "&Delete", "Delete selected category(s)");
    grid->addWidget(label, 0, 0);
    grid->addWidget(CatCatEdit, 1, 0);
    CatSearch = new ui::SearchBox(this, QStringLiteral("Search category names"));
    CatSearch->setObjectName(QStringLiteral("CatSearch"));
    CatSearch->setAccessibleName(QStringLiteral("Search categories"));
    CatSearch->setList(CatGrid);
    grid->addWidget(CatSearch, 2, 0);
    grid->addWidget(CatGrid, 3, 0, 3, 1);
    grid->addWidget(CatAddBtn, 1, 1);
    grid->addWidget(CatChangeBtn, 2, 1);
    grid->addWidget(CatDelBtn, 3, 1);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(0, 1);
    grid->setContentsMargins(10, 10, 40, 10);
    grid->setHorizontalSpacing(40);

    makeListGrid(CatGrid, kCatName);
    CatGrid->setMultiSelect(true);
    CatGrid->setShowGrid(false);

    engine::Table* table = main_.CatCatTable;
    table->setOnPostError([this](engine::DataSet& data, const engine::EngineError& e) {
        return CatCatTablePostError(data, e);
    });
    connect(table, &engine::DataSet::currentChanged, this,
            [this] { followUp(this, [this] { CatCatTableAfterScroll(); }); });
    connect(CatCatEdit, &QLineEdit::textChanged, this, [this] { CatCatEditChange(); });
    connect(CatGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { CatGridCellClick(); });
    connect(CatAddBtn, &QPushButton::clicked, this, [this] { CatAddBtnClick(); });
    ui::DefaultButton::install(CatAddBtn, {CatCatEdit});
    connect(CatChangeBtn, &QPushButton::clicked, this, [this] { CatChangeBtnClick(); });
    connect(CatDelBtn, &QPushButton::clicked, this, [this] { CatDelBtnClick(); });
    connect(CatSearch, &ui::SearchBox::searchChanged, this,
            [this](const QString& text) { followUp(this, [this, text] { CatSearchChange(text); }); });
    setTabOrder(CatCatEdit, CatSearch);
    setTabOrder(CatSearch, CatGrid);
    CatCatEditChange();
}

void CatalogueCategoriesPage::showStep() {
    if (main_.StartupPending)
        return;
    followUp(this, [this] {
        engine::Table* table = main_.CatCatTable;
        table->setIndexName(QStringLiteral("IdxName"));
        table->open();
        if (!table->locate(kCatID, engine::Value{static_cast<std::int64_t>(main_.LastCatID)}))
            table->first();
        CatCatTableAfterScroll();
        selectCurrentRowOnly(CatGrid);
        CatGridCellClick();
    });
}

void CatalogueCategoriesPage::CatSearchChange(const QString& text) {
    engine::Table* table = main_.CatCatTable;
    search_.setText(text);
    if (main_.StartupPending || main_.page(main_.activePageIndex()) != this)
        return; // the next page show opens the list with it
    const int id = currentId(table, kCatID);
    table->close();
    table->open();
    if (!table->locate(kCatID, engine::Value{static_cast<std::int64_t>(id)}))
        table->first();
    CatCatTableAfterScroll();
    selectCurrentRowOnly(CatGrid);
    CatGridCellClick();
}

void CatalogueCategoriesPage::leaveStep() {
    main_.LastCatID = currentId(main_.CatCatTable, kCatID);
    main_.CatCatTable->close();
}

void CatalogueCategoriesPage::CatCatTableAfterScroll() {
    engine::Table* table = main_.CatCatTable;
    if (bulk_ || table->controlsDisabled() || !table->isOpen())
        return;
    if (table->isEmpty())
        CatCatEdit->clear();
    else if (!table->field(kCatName).isNull())
        CatCatEdit->setText(table->field(kCatName).asString());
}

void CatalogueCategoriesPage::CatCatEditChange() {
    const bool named = !CatCatEdit->text().trimmed().isEmpty();
    CatAddBtn->setEnabled(named);
    CatChangeBtn->setEnabled(named);
}

void CatalogueCategoriesPage::CatGridCellClick() {
    CatDelBtn->setText(deleteCaption(static_cast<int>(CatGrid->selectedRows().size())));
}

void CatalogueCategoriesPage::returnToLastCategory() {
    main_.CatCatTable->locate(kCatID, engine::Value{static_cast<std::int64_t>(main_.LastCatID)});
}

engine::DataSet::PostErrorAction CatalogueCategoriesPage::CatCatTablePostError(engine::DataSet& data,
                                                                               const engine::EngineError& e) {
    const QString name = data.field(kCatName).asString();
    data.cancel();
    returnToLastCategory();
    if (e.code() == engine::KeyViolation) {
        CatCatEdit->setText(name);
        CatCatEdit->setFocus();
        warn(this, categoryExists(name));
    } else {
        fail(this, e.message());
    }
    return engine::DataSet::PostErrorAction::Abort;
}

void CatalogueCategoriesPage::finishBulkStep() {
    main_.CatCatTable->enableControls();
    bulk_ = false;
    selectCurrentRowOnly(CatGrid);
    CatGridCellClick();
}

void CatalogueCategoriesPage::CatAddBtnClick() {
    engine::Table* table = main_.CatCatTable;
    if (!table->isOpen())
        return;
    const QString name = CatCatEdit->text().trimmed();
    if (auto problem = tooLong(name, kNameLength, QStringLiteral("The category name"))) {
        warn(this, *problem);
        return;
    }
    bulk_ = true;
    table->disableControls();
    main_.LastCatID = currentId(table, kCatID);
    QString error;
    try {
        table->append();
        table->field(kCatName).setString(name);
        table->post();
        search_.keep(table->field(kCatID).asInteger());
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        table->cancel();
        error = e.message();
    }
    finishBulkStep();
    if (!error.isEmpty())
        fail(this, error);
}

void CatalogueCategoriesPage::CatChangeBtnClick() {
    engine::Table* table = main_.CatCatTable;
    if (!table->isOpen() || table->isEmpty())
        return;
    const QString name = CatCatEdit->text().trimmed();
    if (auto problem = tooLong(name, kNameLength, QStringLiteral("The category name"))) {
        warn(this, *problem);
        return;
    }
    // The post reloads the grid; Change acts on the current row only and leaves the selection as it was.
    const QList<int> selected = selectedIds(CatGrid, kCatID);
    try {
        search_.keep(table->field(kCatID).asInteger());
        table->edit();
        table->field(kCatName).setString(name);
        table->post();
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        table->cancel();
        fail(this, e.message());
    }
    selectIds(CatGrid, kCatID, selected);
}

void CatalogueCategoriesPage::CatDelBtnClick() {
    engine::Table* table = main_.CatCatTable;
    const QList<int> ids = selectedIds(CatGrid, kCatID);
    if (ids.isEmpty() || !table->isOpen())
        return;
    main_.LastCatID = currentId(table, kCatID);
    bulk_ = true;
    table->disableControls();
    QString error;
    try {
        const int items = editor_.categoryItemCount(ids);
        if (items == 0 || ui::showMessage(ui::MessageKind::Warning,
                                          deleteCategoriesWarning(static_cast<int>(ids.size()), items),
                                          ui::MessageButtons::OkCancel, this) == ui::MessageAnswer::Ok) {
            const ui::BusyCursor busy; // their product types and items go too
            editor_.deleteCategories(ids);
        }
    } catch (const engine::EngineError& e) {
        error = e.message();
    }
    try {
        returnToLastCategory(); // also takes in the rows the deletion removed
    } catch (const engine::EngineError& e) {
        if (error.isEmpty())
            error = e.message();
    }
    finishBulkStep();
    CatCatTableAfterScroll();
    if (!error.isEmpty())
        fail(this, error);
}
