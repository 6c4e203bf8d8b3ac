#pragma once

#include "CatalogueCategoriesPage.h"
#include "CatalogueItemsPage.h"
#include "CatalogueShopsPage.h"
#include "MainWindow.h"
#include "ScriptedDialogService.h"
#include "ScriptedMessageService.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace ui {
class ThemedDBGrid;
}

// The main window with the catalogue's pages over a fresh database in a private home folder.
class PageFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    MainWindow& main() { return *window_; }
    engine::Database& db() { return window_->database(); }
    CatalogueItemsPage& itemsPage();
    CatalogueCategoriesPage& catPage();
    CatalogueShopsPage& shopsPage();
    void showPage(int index);

    int insert(const QString& table, const QStringList& fields, const QList<engine::Value>& values);
    int addCategory(const QString& name);
    int addShop(const QString& name);
    int addProduct(const QString& name, int category, const QString& unit = QString());
    int addItem(int product, const QString& brand, int size, int shop, double price = 1.0);
    void addAisle(int category, int shop, double sequence);

    int count(const QString& sql);
    int rows(const QString& table) { return count(QStringLiteral("SELECT * FROM ") + table); }
    int orphans();

    // Clicks a data row of a grid, with Ctrl to add it to the selection.
    void clickRow(ui::ThemedDBGrid* grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    TempFolder temp_;
    TempHome home_{temp_};
    ScriptedMessageService messages_;
    ScriptedDialogService dialogs_;
    std::unique_ptr<MainWindow> window_;
};
