#pragma once

#include "AppPage.h"

class QComboBox;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QWidget;
namespace ui {
class ThemedDBGrid;
}

// The pages of the main window as the frame knows them: the controls that the frame, the settings and the
// start-up touch, the leave steps, and show steps that reopen the page's data objects at the remembered row.
// The subsystems that own a page derive from these classes (or install a page of their own) and add the rest.

class ListPage : public AppPage {
    Q_OBJECT
public:
    explicit ListPage(MainWindow& main, QWidget* parent = nullptr);
    void showStep() override;
    void leaveStep() override;
    void arrangeLayout() override;
    // The editing mode buttons of the page, pressed by the Edit menu.
    virtual void selectQuantityMode();
    virtual void selectPriceMode();

    QWidget* Panel1 = nullptr;
    QListWidget* ShopsLB = nullptr;
    ui::ThemedDBGrid* ShoppingGrid = nullptr;
    QPlainTextEdit* NotesMemo = nullptr;

protected:
    void fillShopsList();
};

class ItemsPage : public AppPage {
    Q_OBJECT
public:
    explicit ItemsPage(MainWindow& main, QWidget* parent = nullptr);
    void showStep() override;
    void leaveStep() override;

    ui::ThemedDBGrid* ItemsCatGrid = nullptr;
    ui::ThemedDBGrid* ItemsProdGrid = nullptr;
    ui::ThemedDBGrid* ItemsShopGrid = nullptr;
    ui::ThemedDBGrid* ItemsGrid = nullptr;
};

class CatPage : public AppPage {
    Q_OBJECT
public:
    explicit CatPage(MainWindow& main, QWidget* parent = nullptr);
    void showStep() override;
    void leaveStep() override;

    ui::ThemedDBGrid* CatGrid = nullptr;
};

class ShopsPage : public AppPage {
    Q_OBJECT
public:
    explicit ShopsPage(MainWindow& main, QWidget* parent = nullptr);
    void showStep() override;
    void leaveStep() override;

    ui::ThemedDBGrid* ShopGrid = nullptr;
};

class AislePage : public AppPage {
    Q_OBJECT
public:
    explicit AislePage(MainWindow& main, QWidget* parent = nullptr);
    void showStep() override;
    void leaveStep() override;
    void arrangeLayout() override;
    void beforeToolsOrPrint() override;
    // The sub-page leave step: writes the shown floor plan back to the table.
    virtual void leaveSubPage() {}

    QComboBox* AislesShopCombo = nullptr;
    QToolBar* ToolBar = nullptr;
    QTabWidget* PageControl2 = nullptr;
    QWidget* FloorplanSheet = nullptr;
    QWidget* SequenceSheet = nullptr;
    QListWidget* AislesLB = nullptr;
    QListWidget* AisleCatLB = nullptr;
};
