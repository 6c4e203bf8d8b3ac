#include "MainWindow.h"

#include "AppPage.h"
#include "Backup.h"
#include "BusyCursor.h"
#include "DatabaseLocator.h"
#include "DialogService.h"
#include "EngineError.h"
#include "GridShading.h"
#include "Helpers.h"
#include "HoverSpeedButton.h"
#include "IniFile.h"
#include "ItemIndex.h"
#include "MessageService.h"
#include "PrefsForm.h"
#include "PriceLog.h"
#include "SelectFolderDialog.h"
#include "ShellDialog.h"
#include "ThemedDBGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const char* const kTabSheetNames[MainWindow::PageCount] = {"ListTabSheet", "ItemsTabSheet", "CatTabSheet",
                                                           "ShopsTabSheet", "AisleTabSheet"};
const char* const kTabCaptions[MainWindow::PageCount] = {"Shopping list", "Items", "Categories", "Shops",
                                                         "Aisles"};

bool StartDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments, QFileInfo(program).absolutePath());
}

} // namespace

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent), folders_(AppFolders::locate(programFolder)), programStarter_(&StartDetached) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Grocelle"));
    resize(633, 557);
    setMinimumSize(633, 400);

    createDataObjects();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->tabBar()->setMouseTracking(true);
    setCentralWidget(PageControl1);
    for (int i = 0; i < PageCount; ++i) {
        auto* sheet = new QWidget(PageControl1);
        sheet->setObjectName(QLatin1String(kTabSheetNames[i]));
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        PageControl1->addTab(sheet, QLatin1String(kTabCaptions[i]));
    }
    PageControl1->setCurrentIndex(ListPageIndex);
    shownPage_ = ListPageIndex;
    connect(PageControl1, &QTabWidget::currentChanged, this, &MainWindow::onCurrentPageChanged);

    createMenus();
}

MainWindow::~MainWindow() = default;

ItemIndex& MainWindow::itemIndex() {
    if (!itemIndex_)
        itemIndex_ = std::make_unique<ItemIndex>(db_);
    return *itemIndex_;
}

void MainWindow::createDataObjects() {
    const auto table = [this](const char* name, const QString& file, const QString& index) {
        auto* t = new engine::Table(&db_, file, this);
        t->setObjectName(QLatin1String(name));
        if (!index.isEmpty())
            t->setIndexName(index);
        return t;
    };
    const QStringList join{
        QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
        QStringLiteral("WHERE I.Product = P.ProdID AND I.Shop = S.ShopID AND P.Category = C.CatID")};
    ShoppingListQuery = new engine::Query(&db_, this);
    ShoppingListQuery->setObjectName(QStringLiteral("ShoppingListQuery"));
    ShoppingListQuery->setSql(join + QStringList{QStringLiteral("ORDER BY CatName, ProdName")});
    ItemsItemsQuery = new engine::Query(&db_, this);
    ItemsItemsQuery->setObjectName(QStringLiteral("ItemsItemsQuery"));
    ItemsItemsQuery->setSql(join + QStringList{QStringLiteral("ORDER BY ProdName")});
    // The two lists of items read their rows by item, a screen at a time.
    ShoppingListQuery->setKeyField(QStringLiteral("ItemID"));
    ItemsItemsQuery->setKeyField(QStringLiteral("ItemID"));
    ItemsProdQuery = new engine::Query(&db_, this);
    ItemsProdQuery->setObjectName(QStringLiteral("ItemsProdQuery"));
    ItemsProdQuery->setSql(QStringList{QStringLiteral("SELECT * FROM Products"),
                                       QStringLiteral("WHERE Category = -1"),
                                       QStringLiteral("ORDER BY ProdName")});
    ItemsCatTable = table("ItemsCatTable", QStringLiteral("Categories"), QStringLiteral("IdxName"));
    ItemsShopTable = table("ItemsShopTable", QStringLiteral("Shops.dat"), QStringLiteral("IdxName"));
    CatCatTable = table("CatCatTable", QStringLiteral("Categories.dat"), QStringLiteral("IdxName"));
    ShopShopTable = table("ShopShopTable", QStringLiteral("Shops.dat"), QStringLiteral("IdxName"));
    ItemTable = table("ItemTable", QStringLiteral("Items.dat"), QString());
    // Opening it on a large catalogue would read every row id; the item index already holds them.
    ItemTable->setRowIdSource([this](engine::KeyList& rowids) { return itemIndex().allItemIds(rowids); });
    ItemTable->setBeforePost([](engine::DataSet& data) {
        engine::Field price = data.field(QStringLiteral("Price"));
        if (!price.isNull())
            price.setFloat(RoundPrice(price.asFloat()));
    });
    ProdTable = table("ProdTable", QStringLiteral("Products.dat"), QString());
    CatTable = table("CatTable", QStringLiteral("Categories.dat"), QString());
    ShopTable = table("ShopTable", QStringLiteral("Shops.dat"), QString());
    AisleTable = table("AisleTable", QStringLiteral("Aisles.dat"), QString());
    PrintAislesTable = table("PrintAislesTable", QStringLiteral("Aisles.dat"), QString());
    UsefulQuery = new engine::Query(&db_, this);
    UsefulQuery->setObjectName(QStringLiteral("UsefulQuery"));
}

void MainWindow::createDialogs() {
    Dialogs d;
    d.about = new ShellDialog(QStringLiteral("AboutBox"), QStringLiteral("About Grocelle"), this);
    d.pickAisle = new ShellDialog(QStringLiteral("PickAisleForm"), QStringLiteral("Pick aisle"), this);
    d.options = new PrefsForm(reportFonts, this);
    d.options->setHelpHandler([this](int contextId) { showHelp(contextId); });
    d.copyShop = new ShellDialog(QStringLiteral("CopyShopForm"), QStringLiteral("Copy shop"), this);
    d.optimize = new OptimizeChoicesDialog(this);
    d.optimizeResults =
        new ShellDialog(QStringLiteral("OptDetailsForm"), QStringLiteral("Optimization results"), this);
    d.uploadDetails =
        new ShellDialog(QStringLiteral("UploadDetailsForm"), QStringLiteral("Upload details"), this);
    d.uploadProgress = new ShellDialog(QStringLiteral("UploadProgressForm"), QStringLiteral("Upload"), this);
    d.selectFolder = new SelectFolderDialog(this);
    setDialogs(d);
}

void MainWindow::setDialogs(const Dialogs& dialogs) {
    dialogs_ = dialogs;
    if (dialogs_.options) {
        dialogs_.options->setFolderPicker(dialogs_.selectFolder);
        dialogs_.options->setLocaleChangeHandler([this](int id) { return changeDatabaseLocale(id); });
    }
}

void MainWindow::installPage(PageIndex index, AppPage* page) {
    QWidget* sheet = PageControl1->widget(index);
    if (pages_[index]) {
        // Gone at once, so that nothing finds the old page's controls by name any more.
        sheet->layout()->removeWidget(pages_[index]);
        delete pages_[index];
    }
    page->setParent(sheet);
    sheet->layout()->addWidget(page);
    pages_[index] = page;
}

AppPage* MainWindow::page(int index) const {
    return index >= 0 && index < PageCount ? pages_[static_cast<size_t>(index)] : nullptr;
}

int MainWindow::activePageIndex() const {
    return PageControl1->currentIndex();
}

QPrinter& MainWindow::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

QAction* MainWindow::menuAction(const QString& name) const {
    return findChild<QAction*>(name);
}

void MainWindow::createMenus() {
    const auto add = [this](QMenu* menu, const QString& caption, const char* name,
                            const QKeySequence& shortcut, auto slot) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        if constexpr (std::is_same_v<decltype(slot), std::nullptr_t>)
            action->setEnabled(false); // the command comes with its own subsystem
        else
            connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const QKeySequence none;

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    add(file, QStringLiteral("&Backup"), "BackupItem", QKeySequence(Qt::Key_F2), nullptr);
    add(file, QStringLiteral("&Restore..."), "RestoreItem", none, nullptr);
    file->addSeparator();
    add(file, QStringLiteral("Prin&t setup..."), "PrintSetupItem", none,
        [this] { ui::DialogService::instance().pageSetup(this, printer()); });
    QMenu* print = file->addMenu(QStringLiteral("&Print"));
    print->setObjectName(QStringLiteral("PrintMenu"));
    add(print, QStringLiteral("&Fridge list"), "PrintFridgeItem", none, nullptr);
    add(print, QStringLiteral("&Shopping list"), "PrintShoppingItem", none, nullptr);
    print->addSeparator();
    add(print, QStringLiteral("&Master item list"), "PrintMasterItem", none, nullptr);
    add(print, QStringLiteral("&Price comparison form"), "PrintPriceFormItem", none, nullptr);
    add(print, QStringLiteral("Fl&oorplan..."), "PrintFloorplanItem", none,
        [this] { showPage(AislePageIndex); });
    connect(print, &QMenu::aboutToShow, this, &MainWindow::menuOpening);
    file->addSeparator();
    add(file, QStringLiteral("&Check/repair data"), "CheckRepairItem", none, nullptr);
    add(file, QStringLiteral("&Import V1 data..."), "ImportV1Item", none, nullptr);
    file->addSeparator();
    add(file, QStringLiteral("E&xit"), "ExitItem", QKeySequence(Qt::ALT | Qt::Key_F4), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    add(edit, QStringLiteral("Shopping &list"), "Shoppinglist2", none, [this] {
        showPage(ListPageIndex);
        if (AppPage* list = page(ListPageIndex))
            list->selectQuantityMode();
    });
    add(edit, QStringLiteral("&Prices"), "Prices1", none, [this] {
        showPage(ListPageIndex);
        if (AppPage* list = page(ListPageIndex))
            list->selectPriceMode();
    });
    edit->addSeparator();
    add(edit, QStringLiteral("&Items"), "EditItemsItem", none, [this] { showPage(ItemsPageIndex); });
    add(edit, QStringLiteral("&Categories"), "EditCatItem", none, [this] { showPage(CatPageIndex); });
    add(edit, QStringLiteral("&Shops"), "EditShopsItem", none, [this] { showPage(ShopsPageIndex); });
    add(edit, QStringLiteral("&Aisles"), "EditAislesItem", none, [this] { showPage(AislePageIndex); });

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    connect(tools, &QMenu::aboutToShow, this, &MainWindow::menuOpening);
    add(tools, QStringLiteral("Optimi&ze shopping list..."), "Analyseshoppinglist1", none, nullptr);
    add(tools, QStringLiteral("&Undo optimization"), "Undooptimization1", none, nullptr);
    tools->addSeparator();
    add(tools, QStringLiteral("&Delete unused products..."), "Deleteunusedproducts1", none, nullptr);
    add(tools, QStringLiteral("&Copy shop..."), "Copyshop1", none, nullptr);
    tools->addSeparator();
    add(tools, QStringLiteral("&Options..."), "OptionsItem", none, [this] { showOptions(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    add(help, QStringLiteral("&Help contents"), "HelpContentsItem", QKeySequence(Qt::Key_F1), nullptr);
    add(help, QStringLiteral("&Search for help on..."), "HelpSearchItem", none, nullptr);
    add(help, QStringLiteral("&Using help"), "UsingHelpItem", none, nullptr);
    add(help, QStringLiteral("&Getting started"), "GettingStartedItem", none, nullptr);
    help->addSeparator();
    add(help, QStringLiteral("&Check for updates..."), "CheckUpdatesItem", none, nullptr);
    add(help, QStringLiteral("&Web site..."), "WebSiteItem", none, nullptr);
    add(help, QStringLiteral("Support &forum..."), "SupportForumItem", none, nullptr);
    add(help, QStringLiteral("Upload &data to Support..."), "UploadDataItem", none, nullptr);
    add(help, QStringLiteral("&Other products"), "OtherProductsItem", none, nullptr);
    help->addSeparator();
    add(help, QStringLiteral("&About Grocelle..."), "AboutItem", none, nullptr);
}

ui::ThemedDBGrid* MainWindow::grid(const QString& name) const {
    for (AppPage* p : pages_)
        if (p)
            for (ui::ThemedDBGrid* g : p->settingsGrids())
                if (g->objectName() == name)
                    return g;
    return nullptr;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!startupRan_) {
        startupRan_ = true;
        FormShow();
    }
}

void MainWindow::FormShow() {
    if (!dialogs_.options)
        createDialogs();
    runStartup();
}

void MainWindow::runStartup() {
    StartupPending = false;
    ReadINIFile();

    const QColor hover = palette().color(QPalette::Light);
    for (AppPage* p : pages_)
        if (p)
            for (ui::HoverSpeedButton* b : p->hoverButtons())
                b->setMouseoverColor(hover);

    shadeGrids();
    for (AppPage* p : pages_)
        if (p)
            p->arrangeLayout();

    // Every table file is looked at before anything opens them: a damaged one is repaired only when the
    // user wants it, missing ones beside present ones are created empty.
    const auto checkTableFiles = [this](DatabaseLocator& locator) {
        QStringList missing;
        for (const engine::TableFileProblem& problem : locator.tableProblems()) {
            switch (problem.kind) {
            case engine::TableFileProblem::Missing:
                missing << problem.table;
                break;
            case engine::TableFileProblem::Unreadable:
                ui::showMessage(ui::MessageKind::Error, DatabaseLocator::unreadableMessage(problem),
                                ui::MessageButtons::Ok, this);
                return false;
            case engine::TableFileProblem::Damaged: {
                if (ui::showMessage(ui::MessageKind::Confirmation, DatabaseLocator::repairQuestion(problem),
                                    ui::MessageButtons::YesNo, this) != ui::MessageAnswer::Yes)
                    return false;
                // The user learns what the repair saved, and what not, before the program goes on.
                engine::TableRepair repair;
                {
                    const ui::BusyCursor busy;
                    repair = locator.repairTable(problem.table);
                }
                if (repair.rebuilt)
                    ui::showMessage(repair.rowsMissing() ? ui::MessageKind::Warning
                                                         : ui::MessageKind::Information,
                                    repair.message(), ui::MessageButtons::Ok, this);
                break;
            }
            }
        }
        if (!missing.isEmpty()) {
            locator.createMissingTables(missing);
            ui::showMessage(ui::MessageKind::Warning, DatabaseLocator::missingTablesMessage(missing),
                            ui::MessageButtons::Ok, this);
        }
        return true;
    };

    try {
        // A restore that a crash interrupted is finished or undone before anything looks at the table files.
        backup::BackupRestorer::resolveInterruptedRestore(DatabaseFolder);
        DatabaseLocator locator(db_);
        // Tables an interrupted change of an earlier version set aside are put back before anything counts
        // as missing.
        db_.close();
        db_.resolveLeftovers();
        if (locator.databaseMissing()) {
            ui::showMessage(ui::MessageKind::Warning, locator.notFoundMessage(), ui::MessageButtons::Ok,
                            this);
            locator.createBlankDatabase();
        } else {
            // The items, which the first list needs, are read beside the check of the table files.
            itemIndex().readAhead();
            // The user may choose to close, or nothing can be done: the files stay as they are then.
            startupFailed_ = !checkTableFiles(locator);
        }
        if (!startupFailed_) {
            locator.refreshOldTables();
            if (!locator.CheckTableVersion())
                ui::showMessage(ui::MessageKind::Warning, DatabaseLocator::higherVersionMessage(),
                                ui::MessageButtons::Ok, this);
            fillLocaleList();
            // A database made before the price log gets its log now. One that cannot be made here (a folder
            // that cannot be written) is made by the first price written, or that write says why not.
            try {
                PriceLog::ensure(db_);
            } catch (const engine::EngineError&) {
            }
            // The lists' items are read beside the rest of the start, not by the first list opened; a read
            // ahead of a file changed since is begun again.
            itemIndex().prepare();
            AssignDatabase();
            const QString readOnly = DatabaseLocator::readOnlyMessage(db_.readOnlyTables());
            if (!readOnly.isEmpty())
                ui::showMessage(ui::MessageKind::Warning, readOnly, ui::MessageButtons::Ok, this);
            ActivateCurrentTabSheet();
        }
    } catch (const engine::EngineError& e) {
        startupFailed_ = true;
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, this);
    } catch (const std::exception& e) {
        startupFailed_ = true;
        ui::showMessage(ui::MessageKind::Error, QString::fromLocal8Bit(e.what()), ui::MessageButtons::Ok,
                        this);
    }
    if (startupFailed_) {
        // Without a usable database there is nothing to work on; end the program.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }

    if (firstStart_) {
        showHelp(1);
    } else if (dialogs_.options->UpdatesCB->isChecked() && QFileInfo(folders_.updateProgram).isFile()) {
        programStarter_(folders_.updateProgram, {QStringLiteral("/silent")});
    }
}

void MainWindow::shadeGrids() {
    for (const char* name : {"ItemsGrid", "ShopGrid", "ShoppingGrid"}) {
        if (ui::ThemedDBGrid* g = grid(QLatin1String(name))) {
            g->setColumnMoving(false);
            ui::GridShading::apply(*g);
        }
    }
}

void MainWindow::fillLocaleList() {
    if (dialogs_.options)
        dialogs_.options->fillLocales();
}

void MainWindow::AssignDatabase() {
    db_.setFolder(DatabaseFolder);
    if (dialogs_.options) {
        int locale = 0;
        if (db_.tableExists(QStringLiteral("Items")))
            locale = db_.readDefinition(QStringLiteral("Items")).locale;
        dialogs_.options->selectLocale(locale);
    }
    // The connection keeps its files in the database folder; scratch files earlier versions left in the cache
    // folder are cleared from there.
    db_.setScratchFolder(AppFolders::scratchFolder());
}

bool MainWindow::leaveForClose() {
    AppPage* p = page(activePageIndex());
    QString lost;
    try {
        lost = p ? p->leaveForClose() : QString();
    } catch (const std::exception& e) {
        const auto* engineError = dynamic_cast<const engine::EngineError*>(&e);
        ui::showMessage(ui::MessageKind::Error,
                        engineError ? engineError->message() : QString::fromLocal8Bit(e.what()),
                        ui::MessageButtons::Ok, this);
        lost = QStringLiteral("The changes on this page could not be saved; they are lost if Grocelle closes "
                              "now.");
    }
    if (lost.isEmpty())
        return true;
    // The page keeps its work in front of the user when they stay.
    return ui::showMessage(ui::MessageKind::Confirmation, lost + QStringLiteral("\r\nClose Grocelle anyway?"),
                           ui::MessageButtons::YesNo, this) == ui::MessageAnswer::Yes;
}

void MainWindow::PageControl1Changing() {
    if (AppPage* p = page(activePageIndex()))
        p->leaveStep();
}

void MainWindow::ActivateCurrentTabSheet() {
    shownPage_ = activePageIndex();
    if (AppPage* p = page(shownPage_))
        p->showStep();
}

void MainWindow::showPage(int index) {
    if (index == activePageIndex())
        return;
    PageControl1->setCurrentIndex(index);
}

void MainWindow::onCurrentPageChanged(int index) {
    if (AppPage* old = page(shownPage_); old && shownPage_ != index) {
        try {
            old->leaveStep();
        } catch (...) {
            // What the old page holds was not stored: it stays in front with it, and the error is shown.
            const QSignalBlocker block(PageControl1);
            PageControl1->setCurrentIndex(shownPage_);
            throw;
        }
    }
    shownPage_ = index;
    if (AppPage* p = page(index))
        p->showStep();
}

void MainWindow::menuOpening() {
    if (StartupPending)
        return;
    if (AppPage* p = page(activePageIndex()))
        p->beforeToolsOrPrint();
}

void MainWindow::showOptions() {
    if (!dialogs_.options)
        return;
    dialogs_.options->exec();
    // The lists draw prices by the stale-price setting, which may have changed.
    if (QWidget* shown = PageControl1->currentWidget())
        for (QAbstractItemView* view : shown->findChildren<QAbstractItemView*>())
            view->viewport()->update();
}

int MainWindow::stalePriceDays() const {
    return dialogs_.options ? dialogs_.options->StalePriceSpin->value() : AppSettings().stalePriceDays;
}

bool MainWindow::changeDatabaseLocale(int localeId) {
    PageControl1Changing();
    QString error;
    try {
        DatabaseLocator(db_).changeLocale(localeId);
    } catch (const engine::EngineError& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    try {
        db_.open();
        ActivateCurrentTabSheet();
    } catch (const engine::EngineError& e) {
        if (error.isEmpty())
            error = e.message();
    }
    if (!error.isEmpty()) {
        // The tables kept their locale; the list shows the one they really have.
        int locale = 0;
        try {
            locale = db_.readDefinition(QStringLiteral("Items")).locale;
        } catch (const engine::EngineError&) {
        }
        dialogs_.options->selectLocale(locale);
        ui::showMessage(ui::MessageKind::Error, error, ui::MessageButtons::Ok, this);
        return false;
    }
    return true;
}

GridSettings MainWindow::gridSettings(const QString& gridName) const {
    GridSettings settings = gridName == QLatin1String("ShoppingGrid") ? shoppingGrid_
                            : gridName == QLatin1String("ItemsGrid")  ? itemsGrid_
                                                                      : shopGrid_;
    if (gridName == QLatin1String("ShoppingGrid"))
        settings.sortColumn = ListSortColumn;
    else if (gridName == QLatin1String("ItemsGrid"))
        settings.sortColumn = ItemsSortColumn;
    // A grid that shows its columns is the authority on their widths.
    if (ui::ThemedDBGrid* g = grid(gridName))
        settings.widths = g->columnWidths();
    return settings;
}

AppSettings MainWindow::captureSettings() const {
    AppSettings s;
    s.maximized = isMaximized();
    s.bounds = s.maximized ? normalGeometry() : geometry();
    s.shoppingGrid = gridSettings(QStringLiteral("ShoppingGrid"));
    s.itemsGrid = gridSettings(QStringLiteral("ItemsGrid"));
    s.shopGrid = gridSettings(QStringLiteral("ShopGrid"));
    s.fonts = reportFonts;
    if (const PrefsForm* o = dialogs_.options) {
        s.flSortCat = o->FLSortCatRB->isChecked();
        s.flSortProd = o->FLSortProdRB->isChecked();
        s.flCat = o->FLCatCB->isChecked();
        s.flCols = o->FLColsSpin->value();
        s.slAddr = o->SLAddrCB->isChecked();
        s.slNewPage = o->SLNewPageCB->isChecked();
        s.mlSortShop = o->MLSortShopRB->isChecked();
        s.mlSortCat = o->MLSortCatRB->isChecked();
        s.mlSortProd = o->MLSortProdRB->isChecked();
        s.mlGrid = o->MLGridCB->isChecked();
        s.pcfSortCat = o->PCFSortCatRB->isChecked();
        s.pcfSortProd = o->PCFSortProdRB->isChecked();
        s.pcfDates = o->PCFDatesCB->isChecked();
        s.stalePriceDays = o->StalePriceSpin->value();
        s.fpColour = o->FPColourRB->isChecked();
        s.fpBlack = o->FPBlackRB->isChecked();
        s.fpDot = o->FPDotCB->isChecked();
        s.printPreview = o->PrintPreviewCB->isChecked();
        s.updates = o->UpdatesCB->isChecked();
        s.backupFolder = o->BackupFolderEdit->text();
    }
    if (dialogs_.optimize) {
        if (auto* b = dialogs_.optimize->findChild<QAbstractButton*>(QStringLiteral("CheapTripRB")))
            s.cheapTrip = b->isChecked();
        if (auto* b = dialogs_.optimize->findChild<QAbstractButton*>(QStringLiteral("CheapItemsRB")))
            s.cheapItems = b->isChecked();
        if (auto* b = dialogs_.optimize->findChild<QAbstractButton*>(QStringLiteral("DetailsCB")))
            s.details = b->isChecked();
    }
    for (const AppPage* p : pages_)
        if (p)
            s.notes += p->notes();
    return s;
}

void MainWindow::applySettings(const AppSettings& s) {
    if (s.maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
        setGeometry(s.bounds);
    }
    ListSortColumn = s.shoppingGrid.sortColumn;
    ItemsSortColumn = s.itemsGrid.sortColumn;
    shoppingGrid_ = s.shoppingGrid;
    itemsGrid_ = s.itemsGrid;
    shopGrid_ = s.shopGrid;
    for (const auto& [name, settings] :
         {std::pair{"ShoppingGrid", &shoppingGrid_}, std::pair{"ItemsGrid", &itemsGrid_},
          std::pair{"ShopGrid", &shopGrid_}}) {
        if (ui::ThemedDBGrid* g = grid(QLatin1String(name)))
            g->setColumnWidths(settings->widths);
    }
    reportFonts = s.fonts;
    if (PrefsForm* o = dialogs_.options) {
        PrefsForm::setRadio(o->FLSortCatRB, s.flSortCat);
        PrefsForm::setRadio(o->FLSortProdRB, s.flSortProd);
        o->FLCatCB->setChecked(s.flCat);
        o->FLColsSpin->setValue(s.flCols);
        o->SLAddrCB->setChecked(s.slAddr);
        o->SLNewPageCB->setChecked(s.slNewPage);
        PrefsForm::setRadio(o->MLSortShopRB, s.mlSortShop);
        PrefsForm::setRadio(o->MLSortCatRB, s.mlSortCat);
        PrefsForm::setRadio(o->MLSortProdRB, s.mlSortProd);
        o->MLGridCB->setChecked(s.mlGrid);
        PrefsForm::setRadio(o->PCFSortCatRB, s.pcfSortCat);
        PrefsForm::setRadio(o->PCFSortProdRB, s.pcfSortProd);
        o->PCFDatesCB->setChecked(s.pcfDates);
        o->StalePriceSpin->setValue(s.stalePriceDays);
        PrefsForm::setRadio(o->FPColourRB, s.fpColour);
        PrefsForm::setRadio(o->FPBlackRB, s.fpBlack);
        o->FPDotCB->setChecked(s.fpDot);
        o->PrintPreviewCB->setChecked(s.printPreview);
        o->BackupFolderEdit->setText(s.backupFolder);
        o->UpdatesCB->setChecked(s.updates);
    }
    if (dialogs_.optimize) {
        if (auto* b = dialogs_.optimize->findChild<QRadioButton*>(QStringLiteral("CheapTripRB")))
            PrefsForm::setRadio(b, s.cheapTrip);
        if (auto* b = dialogs_.optimize->findChild<QRadioButton*>(QStringLiteral("CheapItemsRB")))
            PrefsForm::setRadio(b, s.cheapItems);
        if (auto* b = dialogs_.optimize->findChild<QAbstractButton*>(QStringLiteral("DetailsCB")))
            b->setChecked(s.details);
    }
    if (!s.notes.isEmpty())
        for (AppPage* p : pages_)
            if (p)
                p->setNotes(s.notes);
}

void MainWindow::ReadINIFile() {
    IniFile::removeLeftoverCopies(folders_.settingsFileName);
    IniFile ini;
    const bool existed = ini.load(folders_.settingsFileName, &settingsUnreadable_);
    if (!settingsUnreadable_.isEmpty())
        ui::showMessage(ui::MessageKind::Warning,
                        SettingsNotReadMessage(folders_.settingsFileName, settingsUnreadable_),
                        ui::MessageButtons::Ok, this);
    // A program installed anew (or in another version) finds no file of its own version yet.
    firstStart_ = !existed || ini.readString(QStringLiteral("Info"), QStringLiteral("Version"), QString()) !=
                                  ProgramVersionText();
    AppSettings s = captureSettings();
    QRect desktop;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        desktop = screen->availableVirtualGeometry();
    ReadSettings(ini, s, desktop, WithoutTrailingSeparator(folders_.documentsFolder));
    applySettings(s);
    QDir().mkpath(s.backupFolder);
    DatabaseFolder = WithoutTrailingSeparator(folders_.dataFolder);
    db_.setFolder(DatabaseFolder);
}

void MainWindow::WriteINIFile() {
    // Defaults written over a file that could not be read would lose the user's settings for good.
    if (!settingsUnreadable_.isEmpty())
        return;
    IniFile ini;
    QString unreadable;
    if (!ini.load(folders_.settingsFileName, &unreadable) && !unreadable.isEmpty()) {
        ui::showMessage(ui::MessageKind::Error,
                        SettingsNotSavedMessage(folders_.settingsFileName,
                                                QStringLiteral("the file there cannot be read (") +
                                                    unreadable + QLatin1Char(')')),
                        ui::MessageButtons::Ok, this);
        return;
    }
    WriteSettings(ini, captureSettings(), ProgramVersionText());
    QString reason;
    if (!ini.save(folders_.settingsFileName, &reason))
        ui::showMessage(ui::MessageKind::Error, SettingsNotSavedMessage(folders_.settingsFileName, reason),
                        ui::MessageButtons::Ok, this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!StartupPending) {
        if (!startupFailed_ && !leaveForClose()) {
            event->ignore();
            return;
        }
        WriteINIFile();
        db_.close();
    }
    event->accept();
}
