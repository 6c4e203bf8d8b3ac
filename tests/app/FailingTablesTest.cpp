#include "RunningProgram.h"

#include "AislesPage.h"
#include "AppPage.h"
#include "CatalogueShopsPage.h"
#include "CopyShopForm.h"
#include "FaultInjection.h"
#include "FloorplanPanel.h"
#include "GlyphBitButton.h"
#include "Query.h"
#include "SequencePanel.h"
#include "ShoppingListPage.h"
#include "TableFiles.h"
#include "TaggedComboBox.h"
#include "TaggedListBox.h"
#include "ThemedDBGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

// Table files damaged, removed or locked while the program runs: each command shows the error and the
// program goes on.
class FailingTablesTest : public RunningProgram {
protected:
    void TearDown() override {
        engine::FaultInjection::disarm();
        RunningProgram::TearDown();
    }
    QString file(const char* name) const { return dataFolder() + QLatin1Char('/') + QLatin1String(name); }
    void damage(const char* name) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(4096, '\x5a'));
    }
    // The shop of the Aisles page chosen with the keyboard, as the user does.
    void chooseAisleShop(int row) {
        AislesPage& aisles = aislesPage();
        aisles.AislesShopCombo->setFocus();
        for (int i = aisles.AislesShopCombo->currentIndex(); i < row; ++i)
            QTest::keyClick(aisles.AislesShopCombo, Qt::Key_Down);
        ASSERT_EQ(aisles.AislesShopCombo->currentIndex(), row);
    }
    void openEditMenuEntry(const char* name) {
        QAction* action = window_->menuAction(QLatin1String(name));
        ASSERT_TRUE(action);
        fromEventLoop([action] { action->trigger(); });
    }
    ShoppingListPage& listPage() {
        return *dynamic_cast<ShoppingListPage*>(window_->page(MainWindow::ListPageIndex));
    }
};

TEST_F(FailingTablesTest, SwitchingPagesAfterTheShopIndexWasRemovedRewritesIt) {
    MainWindow& main = startFilled();
    const QString before = contents();
    ASSERT_TRUE(QFile::remove(file("Shops.idx")));
    // The files are read afresh, as after a restore; the table file still holds the definition.
    main.database().close();
    for (int page : {MainWindow::ItemsPageIndex, MainWindow::CatPageIndex, MainWindow::ShopsPageIndex,
                     MainWindow::AislePageIndex, MainWindow::ListPageIndex}) {
        messages_.clear();
        clickTab(page);
        EXPECT_EQ(main.activePageIndex(), page);
        EXPECT_EQ(errorTexts(), QStringList());
    }
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(QFileInfo::exists(file("Shops.idx")));
    EXPECT_EQ(contents(), before);
    clickTab(MainWindow::ShopsPageIndex);
    EXPECT_EQ(grid("ShopGrid")->model()->rowCount(), 2);
}

TEST_F(FailingTablesTest, ShowingTheShoppingListWithADamagedItemsFile) {
    MainWindow& main = startFilled();
    clickTab(MainWindow::CatPageIndex);
    QFile items(file("Items.dat"));
    ASSERT_TRUE(items.open(QIODevice::ReadOnly));
    const QByteArray kept = items.readAll();
    items.close();
    damage("Items.dat");

    // The page change, the Edit menu and Copy shop all show the list page.
    clickTab(MainWindow::ListPageIndex);
    EXPECT_EQ(errorTexts(), QStringList{QStringLiteral("file is not a database")});
    EXPECT_EQ(main.activePageIndex(), MainWindow::ListPageIndex);
    EXPECT_EQ(listPage().ShopsLB->count(), 2) << "the page shows what it could read";

    clickTab(MainWindow::CatPageIndex);
    messages_.clear();
    openEditMenuEntry("Shoppinglist2");
    EXPECT_EQ(errorTexts(), QStringList{QStringLiteral("file is not a database")});
    EXPECT_EQ(main.activePageIndex(), MainWindow::ListPageIndex);

    // Repaired, the page lists the items again.
    ASSERT_TRUE(items.open(QIODevice::WriteOnly | QIODevice::Truncate));
    items.write(kept);
    items.close();
    messages_.clear();
    clickTab(MainWindow::CatPageIndex);
    clickTab(MainWindow::ListPageIndex);
    clickRow(listPage().ShopsLB, 0);
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_EQ(listPage().grid()->model()->rowCount(), 3); // Corner Market's items

    // Copy shop shows the page again after the copy; here only the items fail, the copy itself touches none.
    messages_.clear();
    engine::FaultInjection::failTable(QStringLiteral("Items"));
    auto* form = qobject_cast<CopyShopForm*>(main.dialogs().copyShop);
    ASSERT_TRUE(form);
    whenModal([&](QWidget*) {
        form->OldShopCombo->setCurrentIndex(1);
        form->NewNameEdit->setText(QStringLiteral("Branch"));
        form->ItemsCB->setChecked(false);
        form->AislesCB->setChecked(false);
        QTest::mouseClick(form->CopyBtn, Qt::LeftButton);
    });
    QAction* copy = main.menuAction(QStringLiteral("Copyshop1"));
    fromEventLoop([copy] { copy->trigger(); });
    engine::FaultInjection::disarm();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(errorTexts(), QStringList{engine::FaultInjection::message()});
    EXPECT_EQ(main.activePageIndex(), MainWindow::ListPageIndex);
}

TEST_F(FailingTablesTest, DropsOnTheSequenceWhileTheAislesFileIsLocked) {
    startFilled();
    clickTab(MainWindow::AislePageIndex);
    chooseAisleShop(0);
    AislesPage& aisles = aislesPage();
    clickSubTab(aisles, AislesPage::SequenceSubPage);
    SequencePanel& seq = *aisles.SequenceTabSheet;
    ASSERT_EQ(seq.AislesLB->count(), 2);
    ASSERT_EQ(seq.AisleCatLB->count(), 1);
    const QString before = contents();
    {
        TableFileLock lock(file("Aisles.dat"));
        ASSERT_TRUE(lock.held()) << lock.error().toStdString();
        // A category dropped into the sequence, then an aisle dragged back to delete it.
        dragList(seq.AisleCatLB, 0, seq.AislesLB, QPoint(5, 5));
        ASSERT_EQ(errorTexts().size(), 1);
        EXPECT_TRUE(errorTexts().at(0).contains(QStringLiteral("locked")))
            << errorTexts().at(0).toStdString();
        dragList(seq.AislesLB, 1, seq.AisleCatLB, QPoint(5, 5));
        EXPECT_EQ(errorTexts().size(), 2);
        EXPECT_FALSE(seq.ScrollTimer->isActive());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    }
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(seq.AislesLB->count(), 2);
    EXPECT_EQ(seq.AisleCatLB->count(), 1);

    // Released, the same drop is stored.
    messages_.clear();
    dragList(seq.AisleCatLB, 0, seq.AislesLB, QPoint(5, 5));
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_EQ(seq.AislesLB->count(), 3);
    EXPECT_NE(contents(), before);
}

// The smaller steps of the catalogue pages: every one reports the table layer's failure and leaves the
// rows as they were.
TEST_F(FailingTablesTest, CataloguePageStepsReportTheFailure) {
    MainWindow& main = startFilled();
    const QString before = contents();
    using engine::FaultInjection;

    FaultInjection::failTable(QStringLiteral("Products"));
    QAction* purge = main.menuAction(QStringLiteral("Deleteunusedproducts1"));
    fromEventLoop([purge] { purge->trigger(); });
    EXPECT_EQ(errorTexts(), QStringList{FaultInjection::message()});
    EXPECT_EQ(messages_.count(), 1) << "no count of deleted product types after a failure";

    messages_.clear();
    FaultInjection::failTable(QStringLiteral("Shops"));
    clickTab(MainWindow::ShopsPageIndex);
    EXPECT_EQ(errorTexts(), QStringList{FaultInjection::message()});
    EXPECT_EQ(main.activePageIndex(), MainWindow::ShopsPageIndex);
    FaultInjection::disarm();
    clickTab(MainWindow::CatPageIndex);
    clickTab(MainWindow::ShopsPageIndex);
    auto& shops = *dynamic_cast<CatalogueShopsPage*>(main.page(MainWindow::ShopsPageIndex));
    clickRow(grid("ShopGrid"), 1);
    EXPECT_EQ(shops.ShopNameEdit->text(), QStringLiteral("Market Hall"));

    messages_.clear();
    FaultInjection::failNextStatements(1);
    clickRow(grid("ShopGrid"), 0);
    FaultInjection::disarm();
    shops.ShopPhoneEdit->setText(QStringLiteral("555"));
    FaultInjection::failTable(QStringLiteral("Shops"));
    clickButton(shops.ShopChangeBtn);
    EXPECT_EQ(errorTexts().value(0), FaultInjection::message());
    FaultInjection::disarm();
    EXPECT_EQ(contents(), before);
    messages_.clear();
    clickButton(shops.ShopChangeBtn);
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_TRUE(contents().contains(QStringLiteral("|555")));
}

namespace {

// A page whose work is not stored yet, and cannot be while its table fails.
class UnstoredPage : public AppPage {
public:
    using AppPage::AppPage;
    void showStep() override { ++shown; }
    void leaveStep() override {
        if (failing)
            throw engine::EngineError(engine::GeneralError, QStringLiteral("Cannot store the plan"));
        ++left;
    }
    bool failing = true;
    int shown = 0;
    int left = 0;
};

} // namespace

TEST_F(FailingTablesTest, APageThatCannotBeLeftStaysInFrontWithItsWork) {
    MainWindow& main = startFilled();
    auto* page = new UnstoredPage(main);
    main.installPage(MainWindow::AislePageIndex, page);
    clickTab(MainWindow::AislePageIndex);
    ASSERT_EQ(page->shown, 1);

    clickTab(MainWindow::ShopsPageIndex);
    EXPECT_EQ(errorTexts(), QStringList{QStringLiteral("Cannot store the plan")});
    EXPECT_EQ(main.activePageIndex(), MainWindow::AislePageIndex);
    EXPECT_EQ(page->shown, 1) << "the page was not shown afresh over its work";

    page->failing = false;
    messages_.clear();
    clickTab(MainWindow::ShopsPageIndex);
    EXPECT_EQ(messages_.count(), 0);
    EXPECT_EQ(page->left, 1);
    EXPECT_EQ(main.activePageIndex(), MainWindow::ShopsPageIndex);
}

TEST_F(FailingTablesTest, AFloorPlanThatCannotBeStoredAtCloseOffersToStayOpen) {
    MainWindow& main = startFilled();
    clickTab(MainWindow::AislePageIndex);
    chooseAisleShop(0);
    if (aislesPage().PageControl2->currentIndex() != AislesPage::FloorplanSubPage)
        clickSubTab(aislesPage(), AislesPage::FloorplanSubPage);
    ShopAisles& plan = aislesPage().FloorTabSheet->aisles();
    ASSERT_GE(plan.count(), 1);
    int dairy = 0;
    while (plan.at(dairy).Category != 1)
        ++dairy;
    const int movedTop = plan.at(dairy).RectTop + 40;
    plan.at(dairy).RectTop = movedTop;
    plan.at(dairy).RectBottom += 40;
    const auto storedTop = [this] {
        engine::Database db(dataFolder());
        engine::Query q(&db);
        q.setSql(QStringLiteral("SELECT RectTop FROM Aisles WHERE Shop = 1 AND Category = 1"));
        q.open();
        return q.field(QStringLiteral("RectTop")).asInteger();
    };

    engine::FaultInjection::failTable(QStringLiteral("Aisles"));
    messages_.clear();
    messages_.setNextAnswer(ui::MessageAnswer::Ok);
    messages_.setNextAnswer(ui::MessageAnswer::No);
    EXPECT_FALSE(main.close());
    EXPECT_TRUE(main.isVisible());
    ASSERT_EQ(messages_.count(), 2);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(messages_.calls()[1].kind, ui::MessageKind::Confirmation);
    EXPECT_EQ(messages_.lastText(),
              "The changes to the floor plan could not be saved; they are lost if Grocelle "
              "closes now.\r\nClose Grocelle anyway?");
    EXPECT_EQ(plan.at(dairy).RectTop, movedTop) << "the edit stays in front of the user";

    // With the table writable again, the next close stores the plan.
    engine::FaultInjection::disarm();
    messages_.clear();
    EXPECT_TRUE(main.close());
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_EQ(storedTop(), movedTop);
}

TEST_F(FailingTablesTest, APageThatCannotStoreItsWorkAtCloseOffersToStayOpen) {
    MainWindow& main = startFilled();
    auto* page = new UnstoredPage(main);
    main.installPage(MainWindow::AislePageIndex, page);
    clickTab(MainWindow::AislePageIndex);
    messages_.clear();
    messages_.setNextAnswer(ui::MessageAnswer::Ok);
    messages_.setNextAnswer(ui::MessageAnswer::No);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(errorTexts(), QStringList{QStringLiteral("Cannot store the plan")});
    EXPECT_EQ(messages_.lastText(), "The changes on this page could not be saved; they are lost if Grocelle "
                                    "closes now.\r\nClose Grocelle anyway?");
    // Yes closes all the same.
    EXPECT_TRUE(main.close());
    EXPECT_EQ(page->left, 0);
}
