#pragma once

#include "AppPage.h"

class AislesPage;

// The Aisles page as the main window sees it: the page's show, leave and menu steps, with the remembered
// shop kept in the main window's SavedAisleShopID.
class AislesTabSheet : public AppPage {
    Q_OBJECT

public:
    explicit AislesTabSheet(MainWindow& main, QWidget* parent = nullptr);

    void showStep() override;
    void leaveStep() override;
    QString leaveForClose() override;
    void arrangeLayout() override;
    void beforeToolsOrPrint() override;

    AislesPage* page() const { return page_; }

private:
    AislesPage* page_;
};

// Installs the Aisles page and its pick-aisle dialog in the main window.
void installAislesPage(MainWindow& main);
