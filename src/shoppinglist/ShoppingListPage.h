#pragma once

#include "AppPage.h"
#include "ListEntryCheck.h"

#include <memory>

class ListCellDelegate;
class PriceSignals;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class ShoppingList;

namespace ui {
class HoverSpeedButton;
class SearchBox;
class ThemedDBGrid;
} // namespace ui

// The Shopping list page: the shop selection, the list grid with its totals, quantity and price entry,
// clearing quantities and the notes. The rules live in ShoppingList; this page wires them to the controls.
class ShoppingListPage : public AppPage {
    Q_OBJECT

public:
    explicit ShoppingListPage(MainWindow& main, QWidget* parent = nullptr);
    ~ShoppingListPage() override;

    void showStep() override; // ListTabSheetShow
    void leaveStep() override;
    void arrangeLayout() override;
    void selectQuantityMode() override;
    void selectPriceMode() override;
    QList<ui::ThemedDBGrid*> settingsGrids() const override;
    QList<ui::HoverSpeedButton*> hoverButtons() const override;
    QStringList notes() const override;
    void setNotes(const QStringList& lines) override;

    ShoppingList& list() { return *list_; }
    // The ids of the shops selected in the list of shops, in list order.
    QList<int> selectedShopIds() const;
    ui::ThemedDBGrid* grid() const { return grid_; }
    ListEditMode mode() const;

    void ShopsLBClick();
    void AllShopsBtnClick();
    void RebuildShoppingQuery();
    void RefreshShoppingQuery(int itemId);
    void RefreshTotalLabels();
    void ShoppingGridTitleClick(int column);
    void ListSearchChange(const QString& text);
    void QuantityRBClick(int tag);
    void ShoppingGridColEnter();
    void ListClearBtnClick();
    void ShoppingListPopupPopup();
    void SLPopEdititem1Click();

    QWidget* Panel1 = nullptr;
    QListWidget* ShopsLB = nullptr;
    ui::ThemedDBGrid* ShoppingGrid = nullptr;
    ui::SearchBox* ListSearch = nullptr;
    QPlainTextEdit* NotesMemo = nullptr;
    QMenu* ShoppingListPopup = nullptr;
    ui::HoverSpeedButton* QuantityRB = nullptr;
    ui::HoverSpeedButton* PriceRB = nullptr;
    ui::HoverSpeedButton* AllShopsBtn = nullptr;
    QCheckBox* AllItemsCB = nullptr;
    QPushButton* ListClearBtn = nullptr;
    QPushButton* PrintBtn = nullptr;
    QPushButton* CopyListBtn = nullptr;
    QPushButton* QrCodeBtn = nullptr;
    QLabel* TotalItemsLabel = nullptr;
    QLabel* TotalCostLabel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void setUpGrid();
    void createPopup();
    void fillShopsList();
    // Keeps the cell cursor on the mode's editable column (without taking the focus).
    void lockColumn();
    // Moves to the next row after Enter, posting a pending edit first; stays on the last row.
    void moveToNextRow();
    QAction* editItemAction() const;
    // Makes the button run the main window's command of that name (a menu entry or a window action).
    void runsMenuCommand(QPushButton* button, const QString& actionName);

    ShoppingList* list_ = nullptr;
    ui::ThemedDBGrid* grid_ = nullptr;
    ListCellDelegate* cells_ = nullptr;
    std::unique_ptr<PriceSignals> priceSignals_;
};

// Puts the Shopping list page into the main window and connects what it needs.
void installShoppingListPage(MainWindow& main);
