#pragma once

#include "AppPage.h"
#include "CatalogueEditor.h"
#include "DataSet.h"
#include "PageSearch.h"

class QLineEdit;
class QPushButton;
namespace ui {
class SearchBox;
}

// The Categories page: add a category, rename the current one, delete the selected ones with everything
// that depends on them.
class CatalogueCategoriesPage : public AppPage {
    Q_OBJECT

public:
    explicit CatalogueCategoriesPage(MainWindow& main, QWidget* parent = nullptr);

    void showStep() override;
    void leaveStep() override;

    ui::ThemedDBGrid* CatGrid = nullptr;
    QLineEdit* CatCatEdit = nullptr;
    QPushButton* CatAddBtn = nullptr;
    QPushButton* CatChangeBtn = nullptr;
    QPushButton* CatDelBtn = nullptr;
    ui::SearchBox* CatSearch = nullptr;

    void CatCatTableAfterScroll();
    void CatCatEditChange();
    void CatGridCellClick();
    void CatAddBtnClick();
    void CatChangeBtnClick();
    void CatDelBtnClick();
    void CatSearchChange(const QString& text);

private:
    engine::DataSet::PostErrorAction CatCatTablePostError(engine::DataSet& data,
                                                          const engine::EngineError& e);
    void returnToLastCategory();
    void finishBulkStep();

    catalogue::CatalogueEditor editor_;
    catalogue::PageSearch search_;
    bool bulk_ = false; // add or delete under way: the box does not follow the cursor
};
