#pragma once

#include "RenderFloorplan.h"

#include <QWidget>

#include <functional>
#include <memory>

class AisleHintWindow;
class AisleSequence;
class Canvas;
class FloorplanPanel;
class PickAisleForm;
class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;
class SequencePanel;
class TaggedComboBox;

namespace engine {
class Database;
}

// The Aisles page: the shop selector, the "Floorplan" and "Sequence" sub-pages, the floor plan toolbar
// (shown only with "Floorplan"), the plan's popup menu and the pick-aisle dialog. The floor plan lives in
// memory while "Floorplan" shows it and is written back whenever it is left: sub-page or shop change, the
// page's leave step (page change, window close, commands), and the Tools / Print menu hook.
class AislesPage : public QWidget {
    Q_OBJECT

public:
    explicit AislesPage(engine::Database* db, QWidget* parent = nullptr);
    ~AislesPage() override;

    // While it returns true, the show steps do nothing (start-up not yet run).
    void setStartupPending(std::function<bool()> pending) { startupPending_ = std::move(pending); }
    // What "Print this floorplan" runs (print dialog and printout); without it the button stays disabled.
    void setPrintHandler(std::function<void()> handler);
    // The floor plan colour and arrow preferences used when printing.
    void setPrintStyle(std::function<FloorplanPrintStyle()> style) { printStyle_ = std::move(style); }

    // Show step: fills the shop selector, reselects SavedAisleShopID and loads the shown sub-page.
    void AisleTabSheetShow();
    // Leave step: remembers the selected shop in SavedAisleShopID and leaves the sub-page (writes the plan
    // back). Also what the main window runs when it closes while this page is active. Returns false when
    // the plan could not be written; it is then kept, edits and all, and the error has been shown.
    bool leaveStep();
    // Before the Tools menu or the Print sub-menu opens, or the upload starts, while this page is active:
    // stores the plan and reloads the page at once (no reload when the plan could not be stored).
    void beforeToolsOrPrint();
    // Sizes that follow the font, run once at start-up.
    void arrangeLayout();

    int SavedAisleShopID() const { return savedAisleShopID_; }
    void setSavedAisleShopID(int id) { savedAisleShopID_ = id; }
    int AisleShopID() const { return aisleShopID_; }

    // The shown plan drawn for the printout on any canvas, with the arrows setting and print preferences.
    void RenderFloorplanForPrint(Canvas& canvas, int fontSize, float scaleX, float scaleY,
                                 QPoint offset) const;

    // Steps of the page, public so that the frame and tests can run them.
    void AislesShopComboClick();
    void PageControl2Changing();
    void SetFloorplanToolbar();
    void FloorplanPopupPopup(QPoint global);
    void FPAddAisleClick();
    void Sequencearrows1Click();

    enum SubPage { FloorplanSubPage = 0, SequenceSubPage = 1 };

    QLabel* ShopLabel = nullptr;
    TaggedComboBox* AislesShopCombo = nullptr;
    QToolBar* FloorplanToolBar = nullptr;
    QTabWidget* PageControl2 = nullptr;
    FloorplanPanel* FloorTabSheet = nullptr;
    SequencePanel* SequenceTabSheet = nullptr;
    QMenu* FloorplanPopup = nullptr;
    PickAisleForm* PickAisle = nullptr;
    AisleHintWindow* AisleHint = nullptr;

    // Toolbar buttons and popup items.
    QAction* FPAddAisleBtn = nullptr;
    QAction* FPAddAllUnplacedBtn = nullptr;
    QAction* FPSelectallBtn = nullptr;
    QAction* FPSeqBeforeBtn = nullptr;
    QAction* FPDeleteBtn = nullptr;
    QAction* FPArrowsBtn = nullptr;
    QAction* FPPrintBtn = nullptr;
    QAction* Addaisle1 = nullptr;
    QAction* Addallunplaced1 = nullptr;
    QAction* Selectall1 = nullptr;
    QAction* Setsequence1 = nullptr;
    QAction* Deleteselected1 = nullptr;
    QAction* Sequencearrows1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void createToolbarAndPopup();
    void showSubPage(int index);
    void showShownShop();
    void subPageChanged(int index);
    void pickAisleVisibility(bool visible);
    bool pending() const { return startupPending_ && startupPending_(); }

    engine::Database& db_;
    std::unique_ptr<AisleSequence> store_;
    std::function<bool()> startupPending_;
    std::function<void()> printHandler_;
    std::function<FloorplanPrintStyle()> printStyle_;
    int aisleShopID_ = -1;
    int savedAisleShopID_ = 0;
    int shownSubPage_ = FloorplanSubPage;
    bool switching_ = false;
    QPoint popupPoint_;
};
