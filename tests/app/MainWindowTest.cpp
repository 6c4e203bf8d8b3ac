#include "AppFixture.h"

#include "AppPage.h"
#include "Helpers.h"
#include "HoverSpeedButton.h"
#include "IniFile.h"
#include "PrefsForm.h"
#include "ThemedDBGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

void AddRows(engine::Database& db, const QString& table, const QString& field, const QStringList& names) {
    engine::Table t(&db, table);
    t.open();
    for (const QString& name : names) {
        t.append();
        t.field(field).setString(name);
        t.post();
    }
}

// The captions of a menu's entries, "-" for a separator, a sub-menu's entries in brackets.
QStringList Entries(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << "-";
        else if (a->menu())
            out << a->text() + "[" + Entries(a->menu()).join('|') + "]";
        else
            out << a->text();
    }
    return out;
}

void ClickTab(QTabWidget* tabs, int index) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

} // namespace

class MainWindowTest : public AppFixture {
protected:
    MainWindow& startWithData() {
        createDatabase();
        engine::Database db(dataFolder());
        AddRows(db, "Categories", "CatName", {"Bakery", "Dairy", "Produce"});
        AddRows(db, "Shops", "ShopName", {"Aldo", "Bestmart"});
        db.close();
        return start();
    }
};

TEST_F(MainWindowTest, FrameHasItsPagesCaptionAndSizes) {
    MainWindow& w = start();
    EXPECT_EQ(w.windowTitle(), "Grocelle");
    EXPECT_EQ(w.minimumSize(), QSize(633, 400));
    QTabWidget* tabs = w.findChild<QTabWidget*>("PageControl1");
    ASSERT_TRUE(tabs);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i) + "/" + tabs->widget(i)->objectName();
    EXPECT_EQ(captions,
              QStringList({"Shopping list/ListTabSheet", "Items/ItemsTabSheet", "Categories/CatTabSheet",
                           "Shops/ShopsTabSheet", "Aisles/AisleTabSheet"}));
    auto* sub = w.findChild<QTabWidget*>("PageControl2");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->tabText(0), "Floorplan");
    EXPECT_EQ(sub->tabText(1), "Sequence");
    // Every second column of the wide grids is shaded, and their columns cannot be dragged about.
    auto* grid = w.findChild<ui::ThemedDBGrid*>("ShoppingGrid");
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->columnWidths().size(), 8);
    EXPECT_NE(grid->columnColor(1), grid->columnColor(0));
    EXPECT_FALSE(grid->columnMoving());
}

TEST_F(MainWindowTest, MenusHaveEveryEntryShortcutAndSeparator) {
    MainWindow& w = start();
    QStringList top;
    for (QAction* a : w.menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, QStringList({"&File", "&Edit", "&Tools", "&Help"}));
    EXPECT_EQ(Entries(w.findChild<QMenu*>("FileMenu")),
              QStringList({"&Backup", "&Restore...", "-", "Prin&t setup...",
                           "&Print[&Fridge list|&Shopping list|-|&Master item list|&Price comparison form|"
                           "Fl&oorplan...]",
                           "&Export shopping list...", "-", "&Check/repair data", "&Import V1 data...", "-",
                           "E&xit"}));
    EXPECT_EQ(Entries(w.findChild<QMenu*>("EditMenu")),
              QStringList({"Shopping &list", "&Prices", "C&opy shopping list", "-", "&Items", "&Categories",
                           "&Shops", "&Aisles"}));
    EXPECT_EQ(Entries(w.findChild<QMenu*>("ToolsMenu")),
              QStringList({"Optimi&ze shopping list...", "&Undo optimization", "-",
                           "&Delete unused products...", "&Copy shop...", "-", "&Options..."}));
    EXPECT_EQ(Entries(w.findChild<QMenu*>("HelpMenu")),
              QStringList({"&Help contents", "&Search for help on...", "&Using help", "&Getting started", "-",
                           "&Check for updates...", "&Web site...", "Support &forum...",
                           "Upload &data to Support...", "&Other products", "-", "&About Grocelle..."}));
    EXPECT_EQ(w.menuAction("BackupItem")->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(w.menuAction("ExitItem")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_EQ(w.menuAction("HelpContentsItem")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(w.menuAction("CopyShoppingListItem")->shortcut(),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    EXPECT_FALSE(w.menuAction("Undooptimization1")->isEnabled());
    for (const char* name :
         {"ExitItem", "OptionsItem", "EditItemsItem", "EditAislesItem", "PrintFloorplanItem",
          "PrintSetupItem", "BackupItem", "RestoreItem", "CheckRepairItem", "ImportV1Item"})
        EXPECT_TRUE(w.menuAction(name)->isEnabled()) << name;
}

TEST_F(MainWindowTest, EditMenuAndExitWork) {
    MainWindow& w = startWithData();
    w.menuAction("EditAislesItem")->trigger();
    EXPECT_EQ(w.activePageIndex(), MainWindow::AislePageIndex);
    auto* combo = w.findChild<QComboBox*>("AislesShopCombo");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(TaggedDisplayText(combo->itemText(0)), "Aldo");
    w.menuAction("PrintFloorplanItem")->trigger();
    EXPECT_EQ(w.activePageIndex(), MainWindow::AislePageIndex);
    w.menuAction("Shoppinglist2")->trigger();
    EXPECT_EQ(w.activePageIndex(), MainWindow::ListPageIndex);
    w.menuAction("ExitItem")->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFileInfo::exists(settingsFile()));
}

// A page of the frame alone that counts what it is asked to store: its leave step and the Tools/Print hook.
class CountingAislePage : public AppPage {
public:
    using AppPage::AppPage;
    void showStep() override {}
    void leaveStep() override { ++writeBacks; }
    void beforeToolsOrPrint() override { ++writeBacks; }
    int writeBacks = 0;
};

TEST_F(MainWindowTest, InstalledPageWritesItsPlanBackWhenToolsOrPrintOpen) {
    createDatabase();
    window_ = std::make_unique<MainWindow>(programFolder());
    auto* aisles = new CountingAislePage(*window_);
    window_->installPage(MainWindow::AislePageIndex, aisles);
    window_->createDialogs();
    window_->show();
    auto* tools = window_->findChild<QMenu*>("ToolsMenu");
    emit tools->aboutToShow(); // on another page nothing happens
    EXPECT_EQ(aisles->writeBacks, 0);
    window_->showPage(MainWindow::AislePageIndex);
    emit tools->aboutToShow();
    EXPECT_EQ(aisles->writeBacks, 1);
    emit window_->findChild<QMenu*>("PrintMenu")->aboutToShow();
    EXPECT_EQ(aisles->writeBacks, 2);
    window_->showPage(MainWindow::ShopsPageIndex); // leaving the page writes it back too
    EXPECT_EQ(aisles->writeBacks, 3);
}

// A page of the frame alone with what the frame may ask of a page: a grid the settings keep, a hover button,
// notes and the Edit menu's modes.
class InterfacePage : public AppPage {
public:
    explicit InterfacePage(MainWindow& main) : AppPage(main) {
        grid = new ui::ThemedDBGrid(this);
        grid->setObjectName("ShopGrid");
        grid->setDataSet(main.ShopShopTable);
        std::vector<ui::DataSetModel::Column> columns;
        for (const char* field : {"ShopName", "Address", "Phone"}) {
            ui::DataSetModel::Column c;
            c.fieldName = field;
            c.title = field;
            c.width = 60;
            columns.push_back(c);
        }
        grid->setColumns(columns);
        button = new ui::HoverSpeedButton(this);
        button->setMouseoverColor(Qt::red);
    }
    void showStep() override {}
    void leaveStep() override {}
    void selectQuantityMode() override { modes << "quantity"; }
    void selectPriceMode() override { modes << "price"; }
    QList<ui::ThemedDBGrid*> settingsGrids() const override { return {grid}; }
    QList<ui::HoverSpeedButton*> hoverButtons() const override { return {button}; }
    QStringList notes() const override { return lines; }
    void setNotes(const QStringList& notes) override { lines = notes; }

    ui::ThemedDBGrid* grid;
    ui::HoverSpeedButton* button;
    QStringList lines;
    QStringList modes;
};

TEST_F(MainWindowTest, TheFrameReachesAPageThroughItsInterfaceOnly) {
    writeSettings("[Notes]\r\nNumOf=2\r\nN1=tea\r\nN2=jam\r\n[ShopGrid]\r\nWidth1=150\r\n");
    createDatabase();
    window_ = std::make_unique<MainWindow>(programFolder());
    auto* page = new InterfacePage(*window_);
    window_->installPage(MainWindow::ListPageIndex, page);
    window_->createDialogs();
    window_->show();

    EXPECT_EQ(page->lines, QStringList({"tea", "jam"}));
    EXPECT_EQ(page->grid->columnWidths(),
              QList<int>({60, 150, 60})); // the page's own widths where none is kept
    EXPECT_FALSE(page->grid->columnMoving());
    EXPECT_NE(page->grid->columnColor(1), page->grid->columnColor(0));
    EXPECT_EQ(page->button->mouseoverColor(), window_->palette().color(QPalette::Light));

    window_->showPage(MainWindow::ShopsPageIndex);
    window_->menuAction("Prices1")->trigger();
    EXPECT_EQ(window_->activePageIndex(), MainWindow::ListPageIndex);
    window_->menuAction("Shoppinglist2")->trigger();
    EXPECT_EQ(page->modes, QStringList({"price", "quantity"}));

    page->lines = {"bread"};
    page->grid->setColumnWidths({60, 150, 90});
    finish();
    IniFile ini;
    ASSERT_TRUE(ini.load(settingsFile()));
    EXPECT_EQ(ini.readString("Notes", "N1", ""), "bread");
    EXPECT_EQ(ini.readInteger("Notes", "NumOf", 0), 1);
    EXPECT_EQ(ini.readInteger("ShopGrid", "Width2", 0), 90);
}

TEST_F(MainWindowTest, OptionsEntryShowsTheDialogModally) {
    MainWindow& w = start();
    bool shown = false;
    QTimer::singleShot(50, &w, [&] {
        shown = w.dialogs().options->isVisible() && w.dialogs().options->isModal();
        QTest::mouseClick(w.dialogs().options->CloseBtn, Qt::LeftButton);
    });
    w.menuAction("OptionsItem")->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(MainWindowTest, TabChangesLeaveAndReturnToTheRememberedRow) {
    MainWindow& w = startWithData();
    QTabWidget* tabs = w.pageControl();
    ClickTab(tabs, MainWindow::CatPageIndex);
    ASSERT_EQ(w.activePageIndex(), MainWindow::CatPageIndex);
    ASSERT_TRUE(w.CatCatTable->isOpen());
    EXPECT_EQ(w.CatCatTable->field("CatName").asString(), "Bakery");
    w.CatCatTable->next();
    const int dairy = w.CatCatTable->field("CatID").asInteger();

    ClickTab(tabs, MainWindow::ShopsPageIndex);
    EXPECT_FALSE(w.CatCatTable->isOpen());
    EXPECT_EQ(w.LastCatID, dairy);
    EXPECT_TRUE(w.ShopShopTable->isOpen());

    ClickTab(tabs, MainWindow::CatPageIndex);
    EXPECT_FALSE(w.ShopShopTable->isOpen());
    EXPECT_EQ(w.CatCatTable->field("CatName").asString(), "Dairy");

    // The shopping list remembers its selected shops; none selected leaves the list empty and no item.
    ClickTab(tabs, MainWindow::ListPageIndex);
    auto* shops = w.findChild<QListWidget*>("ShopsLB");
    ASSERT_EQ(shops->count(), 2);
    ClickTab(tabs, MainWindow::ItemsPageIndex);
    EXPECT_TRUE(w.SelectedShopIDs.isEmpty());
    EXPECT_EQ(w.LastListItemID, 0);
    ClickTab(tabs, MainWindow::ListPageIndex);
    shops->item(1)->setSelected(true);
    ClickTab(tabs, MainWindow::ShopsPageIndex);
    EXPECT_EQ(w.SelectedShopIDs, QStringList({"2"}));
    ClickTab(tabs, MainWindow::ListPageIndex);
    EXPECT_TRUE(shops->item(1)->isSelected());
    EXPECT_FALSE(shops->item(0)->isSelected());
}

TEST_F(MainWindowTest, SettingsSurviveARestartThroughTheControls) {
    writeSettings(
        "[Custom]\r\nKeep=this\r\n[Prefs]\r\nFLSortCat=N\r\nFLCols=4\r\nMLSortCat=Y\r\n"
        "[Optimize]\r\nCheapTrip=N\r\nCheapItems=Y\r\nDetails=N\r\n[Notes]\r\nNumOf=3\r\nN1=  milk\r\nN2=\r\n"
        "N3=eggs\r\n[SortCol]\r\nShoppingGrid=8\r\n[ShoppingGrid]\r\nWidth2=77\r\n");
    createDatabase();
    MainWindow& w = start();
    PrefsForm* o = w.dialogs().options;
    EXPECT_TRUE(o->FLSortProdRB->isChecked());
    EXPECT_EQ(o->FLColsSpin->value(), 4);
    EXPECT_TRUE(o->MLSortCatRB->isChecked());
    EXPECT_FALSE(o->MLSortShopRB->isChecked());
    EXPECT_EQ(o->BackupFolderEdit->text(), documentsFolder());
    EXPECT_EQ(w.ListSortColumn, 7);
    EXPECT_EQ(w.findChild<ui::ThemedDBGrid*>("ShoppingGrid")->columnWidths()[2], 77);
    // The optimizer's own form has replaced the frame's: its controls are found by name.
    QDialog* optimize = w.dialogs().optimize;
    EXPECT_TRUE(optimize->findChild<QRadioButton*>("CheapItemsRB")->isChecked());
    EXPECT_FALSE(optimize->findChild<QCheckBox*>("DetailsCB")->isChecked());
    auto* notes = w.findChild<QPlainTextEdit*>("NotesMemo");
    EXPECT_EQ(notes->toPlainText(), "milk\n\neggs");

    notes->setPlainText("bread");
    o->FPBlackRB->setChecked(true);
    w.reportFonts[FloorplanFont].bold = true;
    finish();

    IniFile ini;
    ASSERT_TRUE(ini.load(settingsFile()));
    EXPECT_EQ(ini.readString("Custom", "Keep", ""), "this");
    EXPECT_EQ(ini.keys("Notes"), QStringList({"NumOf", "N1"}));
    EXPECT_EQ(ini.readString("Prefs", "FPColor", ""), "N");
    EXPECT_EQ(ini.readString("Prefs", "FPBlack", ""), "Y");
    EXPECT_EQ(ini.readString("SortCol", "ShoppingGrid", ""), "7");
    EXPECT_EQ(ini.readString("ReportFontFP", "Style", ""), "Bold");
    EXPECT_EQ(ini.readString("Info", "Version", ""), ProgramVersionText());

    start();
    EXPECT_TRUE(window_->reportFonts[FloorplanFont].bold);
    EXPECT_TRUE(window_->dialogs().options->FPBlackRB->isChecked());
    EXPECT_EQ(window_->findChild<QPlainTextEdit*>("NotesMemo")->toPlainText(), "bread");
}
