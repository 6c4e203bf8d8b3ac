#pragma once

#include "AppPage.h"
#include "CatalogueEditor.h"
#include "ItemWriter.h"
#include "PageSearch.h"

#include <optional>

class PriceChartView;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
namespace ui {
class SearchBox;
}

// The Items page: the sortable list of all items, the editing fields that follow it, adding, changing and
// deleting items (creating categories and product types on the way), and the product type grid's menu.
class CatalogueItemsPage : public AppPage {
    Q_OBJECT

public:
    explicit CatalogueItemsPage(MainWindow& main, QWidget* parent = nullptr);

    void showStep() override;
    void leaveStep() override;
    QList<ui::ThemedDBGrid*> settingsGrids() const override;

    ui::ThemedDBGrid* ItemsCatGrid = nullptr;
    ui::ThemedDBGrid* ItemsProdGrid = nullptr;
    ui::ThemedDBGrid* ItemsShopGrid = nullptr;
    ui::ThemedDBGrid* ItemsGrid = nullptr;
    QMenu* ProdGridPopup = nullptr;
    QLineEdit* ItemsCatEdit = nullptr;
    QLineEdit* ItemsProdEdit = nullptr;
    QLineEdit* ItemsUOMEdit = nullptr;
    QLineEdit* ItemsBrandEdit = nullptr;
    QLineEdit* ItemsSizeEdit = nullptr;
    QLabel* UOMLabel = nullptr;
    QLineEdit* ItemsPriceEdit = nullptr;
    QPushButton* ItemsAddBtn = nullptr;
    QPushButton* ItemsChangeBtn = nullptr;
    QPushButton* ItemsDelBtn = nullptr;
    // The current item's price over time, with its lowest and highest price below.
    PriceChartView* PriceChartBox = nullptr;
    QLabel* PriceExtremesLabel = nullptr;
    ui::SearchBox* ItemsSearch = nullptr;

    // The field that orders the list for a column of ItemsGrid.
    static QString sortField(int column);
    // The order clause of the item list for a column.
    static QString orderClause(int column);

    void ItemsGridTitleClick(std::optional<int> column);
    void RefreshItemsQuery(int itemId);
    void RefreshItemsRow(int changedId, int itemId);
    void ItemsItemsQueryAfterOpen();
    void ItemsItemsQueryAfterScroll();
    // Reads the item's log into the chart; -1 empties it.
    void showPriceHistory(int itemId);
    void ItemsCatTableAfterScroll();
    void ItemsProdQueryAfterScroll();
    bool AmendCatProd();
    void ItemsAddBtnClick();
    void ItemsChangeBtnClick();
    void ItemsDelBtnClick();
    void ItemsTabSheetResize();
    void ItemsSearchChange(const QString& text);

    void ProdGridPopupPopup();
    void ProdPopupDeleteClick();
    void ProdPopupRenameClick();

protected:
    // The grid's width follows the page's layout, which settles only once the page is shown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    catalogue::ItemFields typedFields() const;
    void createPopup();
    void reopenProducts();
    void updateSortTitle();

    catalogue::CatalogueEditor editor_;
    catalogue::ItemWriter writer_;
    int amendedProductId_ = -1;
    catalogue::PageSearch search_;
};
