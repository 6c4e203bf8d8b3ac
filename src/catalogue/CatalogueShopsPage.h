#pragma once

#include "AppPage.h"
#include "CatalogueEditor.h"
#include "DataSet.h"
#include "PageSearch.h"

#include <optional>

class QLineEdit;
class QPushButton;
namespace ui {
class SearchBox;
}

// The Shops page: add a shop, update the current one, delete the selected ones with their items and aisles.
class CatalogueShopsPage : public AppPage {
    Q_OBJECT

public:
    explicit CatalogueShopsPage(MainWindow& main, QWidget* parent = nullptr);

    void showStep() override;
    void leaveStep() override;
    QList<ui::ThemedDBGrid*> settingsGrids() const override;

    ui::ThemedDBGrid* ShopGrid = nullptr;
    QLineEdit* ShopNameEdit = nullptr;
    QLineEdit* ShopAddrEdit = nullptr;
    QLineEdit* ShopPhoneEdit = nullptr;
    QPushButton* ShopAddBtn = nullptr;
    QPushButton* ShopChangeBtn = nullptr;
    QPushButton* ShopDelBtn = nullptr;
    ui::SearchBox* ShopSearch = nullptr;

    void ShopShopTableAfterScroll();
    void ShopNameEditChange();
    void ShopGridCellClick();
    void ShopAddBtnClick();
    void ShopChangeBtnClick();
    void ShopDelBtnClick();
    void ShopsTabSheetResize();
    void ShopSearchChange(const QString& text);

protected:
    // The grid's width follows the page's layout, which settles only once the page is shown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    engine::DataSet::PostErrorAction ShopShopTablePostError(engine::DataSet& data,
                                                            const engine::EngineError& e);
    std::optional<QString> inputProblem() const;
    bool writeFields();
    void returnToLastShop();
    void finishBulkStep();

    catalogue::CatalogueEditor editor_;
    catalogue::PageSearch search_;
    bool bulk_ = false;
};
