#pragma once

#include "ListTestDatabase.h"
#include "MainWindow.h"
#include "ScriptedDialogService.h"
#include "ScriptedMessageService.h"
#include "ShoppingListPage.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <QHash>
#include <memory>

// The main window with the Shopping list page over a database in a temporary home: the test fills the
// database through `data` before start() shows the window.
class ListPageFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString dataFolder() const { return temp_.path() + QStringLiteral("/data/Grocelle"); }
    QString settingsFile() const { return dataFolder() + QStringLiteral("/Grocelle.ini"); }

    ListTestDatabase& data() { return *data_; }
    // Creates the window, installs the page and shows it (start-up runs and the list page is shown).
    ShoppingListPage& start();
    void finish();

    ShoppingListPage& page() { return *page_; }
    engine::Query& query() { return *window_->ShoppingListQuery; }
    // Item ids in list order.
    QList<int> listedIds();
    int currentItemId();
    // Makes the row of the item current in the grid, in the given column; false when not listed.
    bool goToItem(int itemId, int column = 0);
    // Selects exactly the shops with these ids in the shop list, as clicks would.
    void selectShops(const QList<int>& shopIds);
    // Types text into the current cell and presses Enter in the editor.
    void typeAndEnter(const QString& text);

    TempFolder temp_;
    TempHome home_{temp_};
    ScriptedMessageService messages_;
    ScriptedDialogService dialogs_;
    std::unique_ptr<ListTestDatabase> data_;
    std::unique_ptr<MainWindow> window_;
    ShoppingListPage* page_ = nullptr;
};
