// Times the program's commands on a generated large database, driven through the main window as the user
// drives them, and marks those that take longer than 200 ms (the commands that must show the busy cursor).
// Each command runs with its repaint; the best of --repeat runs counts.

#include "AislesPage.h"
#include "AislesTabSheet.h"
#include "CatalogueCategoriesPage.h"
#include "CatalogueItemsPage.h"
#include "CatalogueShopsPage.h"
#include "DataSet.h"
#include "HoverSpeedButton.h"
#include "LargeDatabase.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "ShoppingListPage.h"
#include "Subsystems.h"
#include "TaggedComboBox.h"
#include "ThemedDBGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace {

// Answers every box with its first button (OK or Yes), so confirmations go ahead.
class AgreeingMessages final : public ui::MessageService {
public:
    ui::MessageAnswer show(ui::MessageKind, const QString& text, ui::MessageButtons buttons,
                           QWidget*) override {
        last = text;
        return buttons == ui::MessageButtons::YesNo ? ui::MessageAnswer::Yes : ui::MessageAnswer::Ok;
    }
    QString last;
};

double runMs(const std::function<void()>& command) {
    QElapsedTimer timer;
    timer.start();
    command();
    QApplication::processEvents(); // the repaint belongs to the command
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

int repeat = 3;
int slow = 0;

// `prepare` runs before every run, untimed.
void measure(const char* name, const std::function<void()>& command,
             const std::function<void()>& prepare = {}) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        if (prepare)
            prepare();
        QApplication::processEvents();
        best = std::min(best, runMs(command));
    }
    const bool over = best > 200;
    slow += over ? 1 : 0;
    std::printf("%-52s %9.1f ms%s\n", name, best, over ? "   > 200 ms" : "");
    std::fflush(stdout);
}

template <typename T> T* child(MainWindow& w) {
    T* found = w.findChild<T*>();
    if (!found) {
        std::fprintf(stderr, "missing %s\n", T::staticMetaObject.className());
        std::exit(2);
    }
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QString folder;
    int items = 100000;
    for (int i = 1; i + 1 < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--home"))
            folder = QString::fromLocal8Bit(argv[++i]);
        else if (a == QLatin1String("--items"))
            items = std::atoi(argv[++i]);
        else if (a == QLatin1String("--repeat"))
            repeat = std::max(1, std::atoi(argv[++i]));
    }
    std::optional<QTemporaryDir> scratch;
    if (folder.isEmpty()) {
        scratch.emplace();
        folder = scratch->path();
    }
    // A private home: the program finds its database and settings under it.
    qputenv("HOME", (folder + QStringLiteral("/home")).toUtf8());
    qputenv("XDG_DATA_HOME", (folder + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_CACHE_HOME", (folder + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (folder + QStringLiteral("/config")).toUtf8());
    qunsetenv("XDG_DOCUMENTS_DIR");
    QApplication app(argc, argv);
    AgreeingMessages messages;
    ui::MessageService::install(&messages);

    const QString data = folder + QStringLiteral("/data/Grocelle");
    QDir().mkpath(data);
    if (!QFileInfo::exists(data + QStringLiteral("/Items.dat"))) {
        LargeDatabase::Options options;
        options.items = items;
        const LargeDatabase::Summary s = LargeDatabase(options).generate(data);
        std::printf("Database: generated in %.1f s: %d shops, %d items (%d on the list)\n", s.seconds,
                    s.shops, s.items, s.itemsOnList);
    } else {
        std::printf("Database: reusing %s\n", qPrintable(data));
    }

    MainWindow w(QApplication::applicationDirPath());
    w.createDialogs();
    installSubsystems(w);
    w.resize(1000, 700);
    double startup = runMs([&] { w.show(); });
    std::printf("%-52s %9.1f ms%s\n", "start-up (window shown, list page)", startup,
                startup > 200 ? "   > 200 ms" : "");

    auto* list = child<ShoppingListPage>(w);
    auto* itemsPage = child<CatalogueItemsPage>(w);
    auto* cats = child<CatalogueCategoriesPage>(w);
    auto* shops = child<CatalogueShopsPage>(w);
    auto* aisles = child<AislesPage>(w);
    const auto show = [&](int index) { w.showPage(index); };

    measure(
        "page: Shopping list (no shop selected) -> Items", [&] { show(MainWindow::ItemsPageIndex); },
        [&] { show(MainWindow::ListPageIndex); });
    measure(
        "page: Items -> Categories", [&] { show(MainWindow::CatPageIndex); },
        [&] { show(MainWindow::ItemsPageIndex); });
    measure(
        "page: Categories -> Shops", [&] { show(MainWindow::ShopsPageIndex); },
        [&] { show(MainWindow::CatPageIndex); });
    measure(
        "page: Shops -> Aisles", [&] { show(MainWindow::AislePageIndex); },
        [&] { show(MainWindow::ShopsPageIndex); });

    show(MainWindow::ListPageIndex);
    measure(
        "Shopping list: All shops", [&] { list->AllShopsBtn->click(); },
        [&] { list->ShopsLB->clearSelection(); });
    measure(
        "page: Items -> Shopping list (all shops)", [&] { show(MainWindow::ListPageIndex); },
        [&] { show(MainWindow::ItemsPageIndex); });
    measure(
        "page: Shopping list (all shops) -> Items", [&] { show(MainWindow::ItemsPageIndex); },
        [&] { show(MainWindow::ListPageIndex); });
    show(MainWindow::ListPageIndex);
    measure(
        "Shopping list: select one shop more (click)", [&] { list->ShopsLB->item(0)->setSelected(true); },
        [&] { list->ShopsLB->item(0)->setSelected(false); });
    measure(
        "Shopping list: Show all items off", [&] { list->AllItemsCB->setChecked(false); },
        [&] { list->AllItemsCB->setChecked(true); });
    measure(
        "Shopping list: Show all items on", [&] { list->AllItemsCB->setChecked(true); },
        [&] { list->AllItemsCB->setChecked(false); });
    int sortColumn = 0;
    measure(
        "Shopping list: sort by a column title", [&] { emit list->grid()->titleClick(sortColumn); },
        [&] { sortColumn = sortColumn == 1 ? 2 : 1; });
    measure(
        "Shopping list: Edit prices", [&] { list->PriceRB->click(); }, [&] { list->QuantityRB->click(); });
    measure(
        "Shopping list: Edit shopping list", [&] { list->QuantityRB->click(); },
        [&] { list->PriceRB->click(); });
    measure(
        "Shopping list: Clear (all shops)", [&] { list->ListClearBtn->click(); },
        [&] { w.database().execute(QStringLiteral("UPDATE Items SET Quantity = 2 WHERE ItemID % 7 = 0")); });

    show(MainWindow::ItemsPageIndex);
    int itemsColumn = 0;
    measure(
        "Items: sort by a column title", [&] { emit itemsPage->ItemsGrid->titleClick(itemsColumn); },
        [&] { itemsColumn = itemsColumn == 2 ? 3 : 2; });
    int added = 0;
    measure(
        "Items: Add", [&] { itemsPage->ItemsAddBtn->click(); },
        [&] {
            itemsPage->ItemsCatEdit->setText(QStringLiteral("Bench category"));
            itemsPage->ItemsProdEdit->setText(QStringLiteral("Bench product"));
            itemsPage->ItemsUOMEdit->setText(QStringLiteral("g"));
            itemsPage->ItemsBrandEdit->setText(QStringLiteral("Brand %1").arg(++added));
            itemsPage->ItemsSizeEdit->setText(QStringLiteral("100"));
            itemsPage->ItemsPriceEdit->setText(QStringLiteral("1.25"));
        });
    int changed = 0;
    measure(
        "Items: Change", [&] { itemsPage->ItemsChangeBtn->click(); },
        [&] { itemsPage->ItemsBrandEdit->setText(QStringLiteral("Changed %1").arg(++changed)); });
    measure("Items: Delete", [&] { itemsPage->ItemsDelBtn->click(); });

    show(MainWindow::CatPageIndex);
    int cat = 0;
    measure(
        "Categories: Add", [&] { cats->CatAddBtn->click(); },
        [&] { cats->CatCatEdit->setText(QStringLiteral("Bench cat %1").arg(++cat)); });
    measure(
        "Categories: Change", [&] { cats->CatChangeBtn->click(); },
        [&] { cats->CatCatEdit->setText(QStringLiteral("Renamed cat %1").arg(++cat)); });
    const int categoriesBefore = cats->CatGrid->dataSet()->recordCount();
    measure(
        "Categories: Delete (a category with its items)", [&] { cats->CatDelBtn->click(); },
        [&] { cats->CatGrid->selectRow(cats->CatGrid->dataSet()->recordCount() / 2); });
    std::printf("  (categories: %d before, %d after)\n", categoriesBefore,
                cats->CatGrid->dataSet()->recordCount());
    show(MainWindow::ShopsPageIndex);
    int shop = 0;
    measure(
        "Shops: Add", [&] { shops->ShopAddBtn->click(); },
        [&] { shops->ShopNameEdit->setText(QStringLiteral("Bench shop %1").arg(++shop)); });
    measure(
        "Shops: Change", [&] { shops->ShopChangeBtn->click(); },
        [&] { shops->ShopNameEdit->setText(QStringLiteral("Renamed shop %1").arg(++shop)); });

    const int shopsBefore = shops->ShopGrid->dataSet()->recordCount();
    measure(
        "Shops: Delete (a shop with its items and aisles)", [&] { shops->ShopDelBtn->click(); },
        [&] { shops->ShopGrid->selectRow(shops->ShopGrid->dataSet()->recordCount() / 2); });
    std::printf("  (shops: %d before, %d after)\n", shopsBefore, shops->ShopGrid->dataSet()->recordCount());

    show(MainWindow::AislePageIndex);
    int shopIndex = 0;
    measure(
        "Aisles: choose another shop",
        [&] {
            aisles->AislesShopCombo->setCurrentIndex(shopIndex);
            emit aisles->AislesShopCombo->activated(shopIndex);
        },
        [&] { shopIndex = (shopIndex + 1) % std::max(1, aisles->AislesShopCombo->count()); });
    measure(
        "Aisles: Sequence sub-page",
        [&] { aisles->PageControl2->setCurrentIndex(AislesPage::SequenceSubPage); },
        [&] { aisles->PageControl2->setCurrentIndex(AislesPage::FloorplanSubPage); });

    std::printf("%d command(s) over 200 ms\n", slow);
    w.hide();
    return 0;
}
