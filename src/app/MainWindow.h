#pragma once

#include "AppFolders.h"
#include "AppSettings.h"
#include "Database.h"
#include "Query.h"
#include "ReportFont.h"
#include "Table.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class AppPage;
class PrefsForm;
class QAction;
class QMenu;
class QPrinter;
class QTabWidget;
namespace ui {
class ThemedDBGrid;
}
class QTimer;
class QLabel;
class ItemIndex;
class SelectFolderDialog;

// The program's main window: the frame that hosts the five pages (each subsystem puts its own in through
// installPage()), the menus, the data objects every page works through, the remembered positions of the
// pages, the start-up sequence and the settings file.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    enum PageIndex { ListPageIndex, ItemsPageIndex, CatPageIndex, ShopsPageIndex, AislePageIndex, PageCount };

    // programFolder: where the executable lives (help and the update program sit beside it).
    explicit MainWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The dialogs created after the main window, in creation order; set before the window is first shown.
    struct Dialogs {
        QDialog* about = nullptr;
        QDialog* pickAisle = nullptr;
        PrefsForm* options = nullptr;
        QDialog* copyShop = nullptr;
        QDialog* optimize = nullptr; // holds CheapTripRB, CheapItemsRB and DetailsCB
        QDialog* optimizeResults = nullptr;
        QDialog* uploadDetails = nullptr;
        QDialog* uploadProgress = nullptr;
        SelectFolderDialog* selectFolder = nullptr;
    };
    void setDialogs(const Dialogs& dialogs);
    // Creates the program's dialogs, owned by this window, in their fixed order.
    void createDialogs();
    const Dialogs& dialogs() const { return dialogs_; }

    // Puts the page at `index` (owned by the window from then on), replacing one put there before.
    void installPage(PageIndex index, AppPage* page);
    AppPage* page(int index) const;
    int activePageIndex() const;
    QTabWidget* pageControl() const { return PageControl1; }

    // Folders fixed at creation; DatabaseFolder is set while the settings are read.
    const AppFolders& folders() const { return folders_; }
    QString DatabaseFolder;
    bool StartupPending = true;
    bool startupFailed() const { return startupFailed_; }

    engine::Database& database() { return db_; }
    // The items as the Shopping list and Items pages choose and order them, kept with the database.
    ItemIndex& itemIndex();

    // Data objects, bound to the database folder by AssignDatabase().
    engine::Query* ShoppingListQuery = nullptr;
    engine::Query* ItemsItemsQuery = nullptr;
    engine::Query* ItemsProdQuery = nullptr;
    engine::Table* ItemsCatTable = nullptr;
    engine::Table* ItemsShopTable = nullptr;
    engine::Table* CatCatTable = nullptr;
    engine::Table* ShopShopTable = nullptr;
    engine::Table* ItemTable = nullptr;
    engine::Table* ProdTable = nullptr;
    engine::Table* CatTable = nullptr;
    engine::Table* ShopTable = nullptr;
    engine::Table* AisleTable = nullptr;
    engine::Table* PrintAislesTable = nullptr;
    engine::Query* UsefulQuery = nullptr;

    // Remembered positions of the pages.
    QStringList SelectedShopIDs;
    int LastListItemID = 0;
    int LastItemsItemID = 0;
    int LastCatID = 0;
    int LastShopID = 0;
    int SavedAisleShopID = -1;
    int AisleShopID = -1;
    int GridStep = 20;
    int ListSortColumn = 7;
    int ItemsSortColumn = 1;

    // Fonts of the five printed reports.
    std::array<ReportFont, kReportFontCount> reportFonts{};

    // The printer of every print job; what the print and printer set-up dialogs choose stays for later jobs.
    QPrinter& printer();

    // The settings as they stand now: options and fonts from the Options dialog, the pages' notes.
    AppSettings currentSettings() const { return captureSettings(); }
    // Days after which a price not entered or confirmed shows muted (0: never), as the Options dialog holds
    // it.
    int stalePriceDays() const;

    // Page navigation.
    void PageControl1Changing(); // leave step of the active page
    // The active page's leave step as the window closes; false when the user chose to stay because the
    // page could not store its work.
    bool leaveForClose();
    void ActivateCurrentTabSheet();
    void ReactivateTabsheet() { ActivateCurrentTabSheet(); }
    void showPage(int index); // makes a page active, leaving the old one first

    void AssignDatabase();
    void ReadINIFile();
    void WriteINIFile();

    // Leaves the active page, rebuilds all tables with the locale, and shows the page again; an engine error
    // is shown afterwards. Returns true on success.
    bool changeDatabaseLocale(int localeId);

    // A menu entry by objectName.
    QAction* menuAction(const QString& name) const;

    // Hooks for the help binding and the program starter.
    void setHelpHandler(std::function<void(int contextId)> handler) { helpHandler_ = std::move(handler); }
    void setProgramStarter(std::function<bool(const QString&, const QStringList&)> starter) {
        programStarter_ = std::move(starter);
    }
    bool firstStartAfterInstall() const { return firstStart_; }
    // Every help request of the program (menu, F1, a dialog's Help button) comes through here.
    void showHelp(int contextId) {
        if (helpHandler_)
            helpHandler_(contextId);
    }
    // Starts another program without waiting for it; false when it could not be started.
    bool startProgram(const QString& program, const QStringList& arguments) {
        return programStarter_(program, arguments);
    }

    // Column widths and sort column of the grids the settings file keeps (design widths until changed).
    GridSettings gridSettings(const QString& gridName) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    void runStartup();
    void createDataObjects();
    void createMenus();
    void shadeGrids();
    void fillLocaleList();
    void applySettings(const AppSettings& settings);
    AppSettings captureSettings() const;
    ui::ThemedDBGrid* grid(const QString& name) const;
    void onCurrentPageChanged(int index);
    void menuOpening();
    void showOptions();

    AppFolders folders_;
    engine::Database db_;
    std::unique_ptr<ItemIndex> itemIndex_;
    Dialogs dialogs_;
    QTabWidget* PageControl1 = nullptr;
    std::array<AppPage*, PageCount> pages_{};
    int shownPage_ = -1;
    bool navigating_ = false;
    bool startupRan_ = false;
    bool startupFailed_ = false;
    bool firstStart_ = false;
    // Why the settings file could not be read at start-up; while set, the file is never written.
    QString settingsUnreadable_;
    GridSettings shoppingGrid_{7, {29, 119, 123, 40, 44, 50, 87, 65}};
    GridSettings itemsGrid_{1, {96, 140, 130, 40, 44, 50, 30}};
    GridSettings shopGrid_{0, {117, 329, 128}};
    std::unique_ptr<QPrinter> printer_;
    std::function<void(int)> helpHandler_;
    std::function<bool(const QString&, const QStringList&)> programStarter_;
};
