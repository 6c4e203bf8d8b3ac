#include "RunningProgram.h"

#include "PdfPages.h"

#include "AislesPage.h"
#include "MessageService.h"
#include "PrefsForm.h"
#include "RecordingCanvas.h"
#include "TaggedComboBox.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

// The price comparison form and the floor plan printout from the running program's own commands, with the
// print dialog accepted on a PDF printer: the pages as the user gets them.
class PrintedFormAndPlan : public RunningProgram {
protected:
    QString pdf() const { return temp_.file(QStringLiteral("printed.pdf")); }

    void acceptPrintDialog() {
        window_->printer().setOutputFormat(QPrinter::PdfFormat);
        window_->printer().setOutputFileName(pdf());
        dialogs_.setNextAnswer(true);
    }
    void trigger(QAction* action) {
        ASSERT_TRUE(action && action->isEnabled());
        fromEventLoop([action] { action->trigger(); });
    }
    // The Aisles page's floor plan of the shop at `index` of the shop selector.
    void showPlan(int index) {
        clickTab(MainWindow::AislePageIndex);
        TaggedComboBox* combo = aislesPage().AislesShopCombo;
        combo->setFocus();
        while (combo->currentIndex() < index)
            QTest::keyClick(combo, Qt::Key_Down);
        if (aislesPage().PageControl2->currentIndex() != AislesPage::FloorplanSubPage)
            clickSubTab(aislesPage(), AislesPage::FloorplanSubPage);
    }
};

TEST_F(PrintedFormAndPlan, PriceFormListsEachProductTypeWithEveryShopsPrice) {
    MainWindow& main = startFilled();
    acceptPrintDialog();
    trigger(main.menuAction(QStringLiteral("PrintPriceFormItem")));
    EXPECT_EQ(errorTexts(), QStringList());
    const QStringList pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 1) << pages.join("\n----\n").toStdString();
    // Category order: Bakery, Dairy, Fruit; Cream has no item and no row.
    const QStringList r = pdfRows(pages[0]);
    ASSERT_EQ(r.size(), 4) << r.join("\n").toStdString();
    EXPECT_EQ(r[0], "Product Corner Market Market Hall");
    EXPECT_EQ(r[1], "Bread 2.00 500g");
    EXPECT_EQ(r[2], "Milk 1.00 500g 1.50 500g");
    EXPECT_EQ(r[3], "Apples 0.50 500g");
}

TEST_F(PrintedFormAndPlan, ShopsThatDoNotFitAcrossGoOnPagesOfTheirOwn) {
    MainWindow& main = startFilled();
    // So large that not even one shop column fits beside the product names: one shop a page.
    main.reportFonts[PriceComparisonFont].size = 34;
    acceptPrintDialog();
    trigger(main.menuAction(QStringLiteral("PrintPriceFormItem")));
    EXPECT_EQ(errorTexts(), QStringList());
    const QStringList pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 2) << pages.join("\n----\n").toStdString();
    for (int i = 0; i < 2; ++i) {
        const QString page = pdfRows(pages[i]).join(QLatin1Char('\n'));
        EXPECT_EQ(page.contains("Corner Market"), i == 0) << page.toStdString();
        EXPECT_EQ(page.contains("Market Hall"), i == 1) << page.toStdString();
        const qsizetype bread = page.indexOf("Bread"), milk = page.indexOf("Milk"),
                        apples = page.indexOf("Apples");
        EXPECT_TRUE(bread > 0 && bread < milk && milk < apples) << page.toStdString();
    }
}

TEST_F(PrintedFormAndPlan, FloorplanPrintsTheShownShopsHeadingAndAisles) {
    startFilled();
    showPlan(0);
    acceptPrintDialog();
    trigger(aislesPage().FPPrintBtn);
    EXPECT_EQ(errorTexts(), QStringList());
    const QStringList pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 1) << pages.join("\n----\n").toStdString();
    const QStringList r = pdfRows(pages[0]);
    ASSERT_GE(r.size(), 2) << r.join("\n").toStdString();
    EXPECT_EQ(r[0], "Corner Market, 1 High Street");
    // Dairy is placed; Bakery is not, and neither prints.
    EXPECT_TRUE(r.mid(1).join(" ").contains("Dairy")) << r.join("\n").toStdString();
    EXPECT_FALSE(pages[0].contains("Bakery"));
}

TEST_F(PrintedFormAndPlan, APlanWithoutPlacedAislesSaysSoAndWritesNoFile) {
    startFilled();
    showPlan(1); // Market Hall: no aisles
    acceptPrintDialog();
    trigger(aislesPage().FPPrintBtn);
    EXPECT_EQ(messages_.lastText(), "There are no aisles to print.");
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(PrintedFormAndPlan, TheOptionsColourChoiceReachesThePrintedPlan) {
    MainWindow& main = startFilled();
    showPlan(0);
    const auto draw = [this] {
        RecordingCanvas canvas;
        aislesPage().RenderFloorplanForPrint(canvas, 8, 1.0f, 1.0f, QPoint());
        return canvas;
    };
    RecordingCanvas colour = draw();
    ASSERT_EQ(colour.of(QStringLiteral("rectangle")).size(), 1);
    EXPECT_EQ(colour.of(QStringLiteral("rectangle"))[0].brushStyle, Canvas::BrushStyle::Solid);

    PrefsForm::setRadio(main.dialogs().options->FPBlackRB, true);
    RecordingCanvas black = draw();
    ASSERT_EQ(black.of(QStringLiteral("rectangle")).size(), 1);
    EXPECT_EQ(black.of(QStringLiteral("rectangle"))[0].brushStyle, Canvas::BrushStyle::Clear);
}

namespace {

// Pixels of a dark blue such as navy, which none of the reports prints in its own colours.
int bluePixels(const QImage& page) {
    int n = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            n += c.blue() > 90 && c.red() < 70 && c.green() < 70 ? 1 : 0;
        }
    return n;
}

} // namespace

TEST_F(PrintedFormAndPlan, EachJobStartsFromItsOwnColourAndSuggestsItsOwnFile) {
    MainWindow& main = startFilled();
    main.reportFonts[ShoppingListFont].setColor(QColor(0, 0, 128));
    acceptPrintDialog();
    trigger(main.menuAction(QStringLiteral("PrintShoppingItem")));
    ASSERT_GT(bluePixels(pdfImage(pdf())), 0) << "the shopping list is navy";

    // Every later job of the same printer: black text, and a file named after its own report in the folder
    // the list went to, never the list's file.
    const struct {
        const char* item;
        const char* file;
    } jobs[] = {{"PrintMasterItem", "Item details.pdf"},
                {"PrintFridgeItem", "Fridge list.pdf"},
                {"PrintPriceFormItem", "Price form.pdf"},
                {nullptr, "Floorplan.pdf"}};
    for (const auto& job : jobs) {
        dialogs_.setNextAnswer(true);
        if (job.item) {
            trigger(main.menuAction(QString::fromLatin1(job.item)));
        } else {
            showPlan(0);
            trigger(aislesPage().FPPrintBtn);
        }
        const QString file = temp_.file(QString::fromLatin1(job.file));
        EXPECT_EQ(dialogs_.calls().back().prompt, file) << "suggested";
        ASSERT_TRUE(QFileInfo::exists(file)) << job.file;
        EXPECT_EQ(bluePixels(pdfImage(file)), 0) << job.file;
    }
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_TRUE(pdfPages(pdf()).join(QString()).contains(QStringLiteral("Shopping list for"))) << "kept";
}

TEST_F(PrintedFormAndPlan, ThePreviewNamesItsReportAndTheMenuShowsThePlanItPrints) {
    MainWindow& main = startFilled();
    main.dialogs().options->PrintPreviewCB->setChecked(true);
    acceptPrintDialog();
    trigger(main.menuAction(QStringLiteral("PrintFridgeItem")));
    ASSERT_EQ(dialogs_.calls().back().kind, ScriptedDialogService::Kind::PrintPreview);
    EXPECT_EQ(dialogs_.calls().back().caption, QStringLiteral("Fridge list"));

    // From the Sequence sub-page and another page, "Floorplan..." brings the plan to the front.
    clickTab(MainWindow::AislePageIndex);
    clickSubTab(aislesPage(), AislesPage::SequenceSubPage);
    clickTab(MainWindow::ListPageIndex);
    trigger(main.menuAction(QStringLiteral("PrintFloorplanItem")));
    EXPECT_EQ(main.activePageIndex(), MainWindow::AislePageIndex);
    EXPECT_EQ(aislesPage().PageControl2->currentIndex(), static_cast<int>(AislesPage::FloorplanSubPage));
    EXPECT_TRUE(aislesPage().FloorplanToolBar->isVisible());
    EXPECT_EQ(errorTexts(), QStringList());
}
