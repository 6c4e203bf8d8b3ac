#include "AislesPage.h"

#include "AisleHintWindow.h"
#include "AisleSequence.h"
#include "FloorplanPanel.h"
#include "FloorplanView.h"
#include "GuardedCall.h"
#include "Helpers.h"
#include "Icons.h"
#include "PickAisleForm.h"
#include "SequencePanel.h"
#include "TaggedComboBox.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>

AislesPage::AislesPage(engine::Database* db, QWidget* parent)
    : QWidget(parent), db_(*db), store_(std::make_unique<AisleSequence>(*db)) {
    setObjectName(QStringLiteral("AisleTabSheet"));
    AisleHint = new AisleHintWindow(this);

    AislesShopCombo = new TaggedComboBox(this);
    AislesShopCombo->setObjectName(QStringLiteral("AislesShopCombo"));
    AislesShopCombo->setMinimumContentsLength(22);
    AislesShopCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    AislesShopCombo->adjustSize();
    ShopLabel = new QLabel(QStringLiteral("Select &shop"), this);
    ShopLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ShopLabel->setBuddy(AislesShopCombo);
    ShopLabel->adjustSize();
    connect(AislesShopCombo, qOverload<int>(&QComboBox::activated), this, [this](int) {
        if (!GuardedCall(this, [this] { AislesShopComboClick(); }))
            showShownShop();
    });

    PageControl2 = new QTabWidget(this);
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    FloorTabSheet = new FloorplanPanel(db_, *AisleHint);
    SequenceTabSheet = new SequencePanel(*store_, *AisleHint);
    PageControl2->addTab(FloorTabSheet, QStringLiteral("Floorplan"));
    PageControl2->addTab(SequenceTabSheet, QStringLiteral("Sequence"));
    PageControl2->setCurrentIndex(FloorplanSubPage);
    connect(PageControl2, &QTabWidget::currentChanged, this, &AislesPage::subPageChanged);
    // A drop on "Sequence" reloads the page as a shop change does.
    SequenceTabSheet->setReload([this] { AislesShopComboClick(); });

    PickAisle = new PickAisleForm(
        *FloorTabSheet, [this] { return AislesShopCombo->selectedEntry(); }, this);
    connect(PickAisle, &PickAisleForm::visibilityChanged, this, &AislesPage::pickAisleVisibility);

    createToolbarAndPopup();
    connect(FloorTabSheet, &FloorplanPanel::planChanged, this, &AislesPage::SetFloorplanToolbar);
    connect(FloorTabSheet, &FloorplanPanel::popupRequested, this, &AislesPage::FloorplanPopupPopup);
    connect(FloorTabSheet, &FloorplanPanel::aislesUnplaced, this, [this] {
        if (PickAisle->isVisible())
            PickAisle->refill();
    });
    SetFloorplanToolbar();
}

AislesPage::~AislesPage() = default;

void AislesPage::createToolbarAndPopup() {
    FloorplanToolBar = new QToolBar(this);
    FloorplanToolBar->setObjectName(QStringLiteral("FloorplanToolBar"));
    FloorplanToolBar->setIconSize(QSize(16, 16));
    const auto button = [this](const char* name, const QString& icon, const QString& hint) {
        QAction* a = FloorplanToolBar->addAction(ui::Icons::icon(icon), hint);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        return a;
    };
    FPAddAisleBtn = button("FPAddAisleBtn", QStringLiteral("add"), QStringLiteral("Add aisles from list"));
    FPAddAisleBtn->setCheckable(true);
    FPAddAllUnplacedBtn =
        button("FPAddAllUnplacedBtn", QStringLiteral("floorplan"), QStringLiteral("Add all unplaced"));
    FPSelectallBtn = button("FPSelectallBtn", QStringLiteral("selectall"), QStringLiteral("Select all"));
    FPSeqBeforeBtn = button("FPSeqBeforeBtn", QStringLiteral("sequence"), QStringLiteral("Set sequence"));
    FPDeleteBtn = button("FPDeleteBtn", QStringLiteral("delete"), QStringLiteral("Delete selected"));
    FPArrowsBtn = button("FPArrowsBtn", QStringLiteral("right"), QStringLiteral("Display sequence arrows"));
    FPArrowsBtn->setCheckable(true);
    FPArrowsBtn->setChecked(true);
    FPPrintBtn = button("FPPrintBtn", QStringLiteral("print"), QStringLiteral("Print this floorplan"));
    for (QWidget* w : FloorplanToolBar->findChildren<QWidget*>())
        if (w->inherits("QToolButton"))
            w->setFixedSize(25, 24);

    FloorplanPopup = new QMenu(this);
    FloorplanPopup->setObjectName(QStringLiteral("FloorplanPopup"));
    const auto item = [this](const char* name, const QString& caption) {
        QAction* a = FloorplanPopup->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    Addaisle1 = item("Addaisle1", QStringLiteral("&Add aisle..."));
    Addaisle1->setCheckable(true);
    Addallunplaced1 = item("Addallunplaced1", QStringLiteral("Add all &unplaced"));
    Selectall1 = item("Selectall1", QStringLiteral("Select &all"));
    Setsequence1 = item("Setsequence1", QStringLiteral("Set s&equence..."));
    Deleteselected1 = item("Deleteselected1", QStringLiteral("&Delete selected"));
    FloorplanPopup->addSeparator();
    Sequencearrows1 = item("Sequencearrows1", QStringLiteral("&Sequence arrows"));
    Sequencearrows1->setCheckable(true);
    Sequencearrows1->setChecked(true);

    FloorplanPanel* plan = FloorTabSheet;
    // Checkable actions flip their own state before triggered(); the handlers set it themselves.
    connect(FPAddAisleBtn, &QAction::triggered, this, [this] { FPAddAisleClick(); });
    connect(Addaisle1, &QAction::triggered, this, [this] { FPAddAisleClick(); });
    connect(FPAddAllUnplacedBtn, &QAction::triggered, this,
            [plan] { plan->FPAddAllUnplacedClick(QPoint(ShopAisles::GridStep, ShopAisles::GridStep)); });
    connect(Addallunplaced1, &QAction::triggered, this,
            [this, plan] { plan->FPAddAllUnplacedClick(popupPoint_); });
    for (QAction* a : {FPAddAllUnplacedBtn, Addallunplaced1})
        connect(a, &QAction::triggered, this, [this] {
            if (PickAisle->isVisible())
                PickAisle->AislesLB->clear();
        });
    for (QAction* a : {FPSelectallBtn, Selectall1})
        connect(a, &QAction::triggered, plan, &FloorplanPanel::FPSelectallClick);
    for (QAction* a : {FPSeqBeforeBtn, Setsequence1})
        connect(a, &QAction::triggered, plan, &FloorplanPanel::FPSeqBeforeClick);
    for (QAction* a : {FPDeleteBtn, Deleteselected1})
        connect(a, &QAction::triggered, plan, &FloorplanPanel::FPDeleteClick);
    connect(FPArrowsBtn, &QAction::triggered, this, [this] {
        Sequencearrows1->setChecked(!FPArrowsBtn->isChecked()); // undo the button's own flip first
        Sequencearrows1Click();
    });
    connect(Sequencearrows1, &QAction::triggered, this, [this] {
        Sequencearrows1->setChecked(!Sequencearrows1->isChecked());
        Sequencearrows1Click();
    });
    connect(FPPrintBtn, &QAction::triggered, this, [this] {
        if (printHandler_)
            GuardedCall(this, [this] { printHandler_(); });
    });
}

void AislesPage::setPrintHandler(std::function<void()> handler) {
    printHandler_ = std::move(handler);
    SetFloorplanToolbar();
}

void AislesPage::arrangeLayout() {
    const int height = QFontMetrics(SequenceTabSheet->AislesLB->font()).height() + 1;
    SequenceTabSheet->AislesLB->setItemHeight(height + 3);
    SequenceTabSheet->AisleCatLB->setItemHeight(height + 3);
    AislesShopCombo->setItemHeight(height + 1);
}

void AislesPage::resizeEvent(QResizeEvent*) {
    const int top = 2;
    AislesShopCombo->move(width() - AislesShopCombo->width() - 5, top);
    ShopLabel->move(AislesShopCombo->x() - ShopLabel->width() - 5,
                    top + (AislesShopCombo->height() - ShopLabel->height()) / 2);
    FloorplanToolBar->adjustSize();
    FloorplanToolBar->move(2, top);
    const int pageTop = top + std::max(AislesShopCombo->height(), FloorplanToolBar->height()) + 2;
    PageControl2->setGeometry(0, pageTop, width(), std::max(0, height() - pageTop));
}

void AislesPage::AisleTabSheetShow() {
    if (pending())
        return;
    AislesShopCombo->clear();
    const auto shops = store_->shops();
    int select = -1;
    for (const auto& s : shops) {
        if (select < 0 && s.id == savedAisleShopID_)
            select = AislesShopCombo->count();
        AislesShopCombo->addItem(TaggedListEntry(s.id, s.name));
    }
    if (shops.size() == 1)
        select = 0;
    AislesShopCombo->setCurrentIndex(select);
    aisleShopID_ = -1; // nothing of a previous shop is written back
    AislesShopComboClick();
}

void AislesPage::AislesShopComboClick() {
    const int id = AislesShopCombo->selectedId();
    if (aisleShopID_ >= 0)
        PageControl2Changing();
    aisleShopID_ = id;
    showSubPage(shownSubPage_);
}

void AislesPage::showShownShop() {
    // The plan on screen may still be the previous shop's (its writing failed): the selector names it.
    for (int i = 0; i < AislesShopCombo->count(); ++i)
        if (ExtractLBID(AislesShopCombo->model(), i) == aisleShopID_)
            AislesShopCombo->setCurrentIndex(i);
}

void AislesPage::showSubPage(int index) {
    if (pending())
        return;
    AisleHint->HideHintWindow();
    if (index == FloorplanSubPage) {
        FloorplanToolBar->show();
        FloorTabSheet->FloorTabSheetShow(aisleShopID_);
    } else {
        FloorplanToolBar->hide();
        SequenceTabSheet->SequenceTabSheetShow(aisleShopID_);
    }
    SetFloorplanToolbar();
}

void AislesPage::PageControl2Changing() {
    AisleHint->HideHintWindow();
    if (shownSubPage_ == SequenceSubPage) {
        SequenceTabSheet->StopScrollTimer();
        return;
    }
    PickAisle->hide();
    FloorTabSheet->writeBack();
}

void AislesPage::subPageChanged(int index) {
    if (switching_ || index == shownSubPage_)
        return;
    switching_ = true;
    if (!GuardedCall(this, [this] { PageControl2Changing(); })) {
        // The plan was not written: it stays in front with the user's edits for another try.
        PageControl2->setCurrentIndex(shownSubPage_);
        switching_ = false;
        return;
    }
    shownSubPage_ = index;
    GuardedCall(this, [this, index] { showSubPage(index); });
    switching_ = false;
}

bool AislesPage::leaveStep() {
    savedAisleShopID_ = AislesShopCombo->selectedId();
    return GuardedCall(this, [this] { PageControl2Changing(); });
}

void AislesPage::beforeToolsOrPrint() {
    // A reload after a failed write would throw the user's edits away.
    if (leaveStep())
        AisleTabSheetShow();
}

void AislesPage::SetFloorplanToolbar() {
    const ShopAisles& aisles = FloorTabSheet->aisles();
    const bool shop = AislesShopCombo->selectedId() >= 0;
    const bool one = aisles.selectedCount() == 1 && aisles.count() > 1;
    FPAddAisleBtn->setEnabled(shop);
    FPAddAllUnplacedBtn->setEnabled(shop);
    FPSelectallBtn->setEnabled(shop && !aisles.isEmpty());
    FPSeqBeforeBtn->setEnabled(one);
    FPDeleteBtn->setEnabled(aisles.selectedCount() > 0);
    FPPrintBtn->setEnabled(printHandler_ && FloorTabSheet->shop() >= 0);
    FPAddAisleBtn->setChecked(PickAisle->isVisible());
}

void AislesPage::FloorplanPopupPopup(QPoint global) {
    const ShopAisles& aisles = FloorTabSheet->aisles();
    const bool shop = AislesShopCombo->selectedId() >= 0;
    popupPoint_ = FloorTabSheet->FloorPlan->mapFromGlobal(global);
    Addaisle1->setEnabled(shop);
    Addallunplaced1->setEnabled(shop);
    Selectall1->setEnabled(shop && !aisles.isEmpty());
    Setsequence1->setEnabled(aisles.selectedCount() == 1 && aisles.count() > 1);
    Deleteselected1->setEnabled(aisles.selectedCount() > 0);
    FloorplanPopup->popup(global);
}

void AislesPage::FPAddAisleClick() {
    if (PickAisle->isVisible())
        PickAisle->hide();
    else
        PickAisle->show();
    pickAisleVisibility(PickAisle->isVisible());
}

void AislesPage::pickAisleVisibility(bool visible) {
    Addaisle1->setChecked(visible);
    FPAddAisleBtn->setChecked(visible);
    SetFloorplanToolbar();
}

void AislesPage::Sequencearrows1Click() {
    Sequencearrows1->setChecked(!Sequencearrows1->isChecked());
    FPArrowsBtn->setChecked(Sequencearrows1->isChecked());
    FloorTabSheet->Sequencearrows(Sequencearrows1->isChecked());
}

void AislesPage::RenderFloorplanForPrint(Canvas& canvas, int fontSize, float scaleX, float scaleY,
                                         QPoint offset) const {
    RenderFloorplan(canvas, FloorTabSheet->aisles(), true, fontSize, scaleX, scaleY, offset,
                    Sequencearrows1->isChecked(), printStyle_ ? printStyle_() : FloorplanPrintStyle{});
}
