#include "RunningProgram.h"

#include "PrefsForm.h"

#include <QCheckBox>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>

namespace {

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfText(const QString& file) {
    return RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

} // namespace

// The print commands of the running program: File, Print and the Shopping list page's button, with the
// print dialog answered by the test and a PDF file as the printer.
class PrintCommandsTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        startFilled();
        pdf = temp_.file(QStringLiteral("printed.pdf"));
        window_->printer().setOutputFormat(QPrinter::PdfFormat);
        window_->printer().setOutputFileName(pdf);
    }
    void menu(const char* name) {
        QAction* action = window_->menuAction(QLatin1String(name));
        ASSERT_TRUE(action && action->isEnabled()) << name;
        fromEventLoop([action] { action->trigger(); });
    }
    bool InOrder(const QString& text, const QStringList& parts) {
        qsizetype at = 0;
        for (const QString& part : parts) {
            at = text.indexOf(part, at);
            if (at < 0)
                return false;
        }
        return true;
    }
    QString pdf;
};

TEST_F(PrintCommandsTest, MenuEntriesPrintTheirReports) {
    dialogs_.setNextAnswer(true);
    menu("PrintShoppingItem");
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    QString text = PdfText(pdf);
    // Corner Market walks Dairy before Bakery; only its items are on the list.
    EXPECT_TRUE(InOrder(text, {"Shopping list for Corner Market", "Dairy", "Milk X", "Bakery", "Bread Z",
                               "Total for Corner Market", "4.00", "Grand total", "$4.00"}))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Market Hall")));
    EXPECT_EQ(text.count(QLatin1Char('\f')), 1);

    // Each later report comes with a file of its own name in that folder.
    dialogs_.setNextAnswer(true);
    menu("PrintFridgeItem");
    text = PdfText(temp_.file(QStringLiteral("Fridge list.pdf")));
    // By category, then name.
    EXPECT_TRUE(InOrder(text, {"Bread", "Cream", "Milk", "Apples"})) << text.toStdString();

    dialogs_.setNextAnswer(true);
    menu("PrintMasterItem");
    text = PdfText(temp_.file(QStringLiteral("Item details.pdf")));
    EXPECT_TRUE(InOrder(text, {"Product", "Brand", "Shop", "Apples", "Corner Market", "Milk", "Market Hall"}))
        << text.toStdString();
    EXPECT_EQ(dialogs_.count(), 3);
}

TEST_F(PrintCommandsTest, TheListPagesButtonPrintsTheSameList) {
    clickTab(MainWindow::ListPageIndex);
    auto* button = window_->findChild<QPushButton*>(QStringLiteral("PrintBtn"));
    ASSERT_TRUE(button && button->isEnabled());
    dialogs_.setNextAnswer(true);
    clickButton(button);
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Shopping list for Corner Market")));
}

TEST_F(PrintCommandsTest, CancelPrintsNothing) {
    dialogs_.setNextAnswer(false);
    menu("PrintMasterItem");
    EXPECT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(messages_.count(), 0);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintCommandsTest, OptionsAndFontsOfTheOptionsDialogTakeEffect) {
    PrefsForm& options = *window_->dialogs().options;
    options.SLAddrCB->setChecked(true);
    ReportFont serif;
    serif.name = QStringLiteral("DejaVu Serif");
    serif.size = 10;
    window_->reportFonts[ShoppingListFont] = serif;
    dialogs_.setNextAnswer(true);
    menu("PrintShoppingItem");
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Shopping list for Corner Market - 1 High Street")));
    const QString fonts = RunTool(QStringLiteral("pdffonts"), {pdf});
    EXPECT_TRUE(fonts.contains(QStringLiteral("DejaVuSerif"))) << fonts.toStdString();

    // With the preview on, the preview opens instead of the print dialog and prints the same job.
    QFile::remove(pdf);
    options.PrintPreviewCB->setChecked(true);
    dialogs_.clear();
    dialogs_.setNextAnswer(true);
    menu("PrintShoppingItem");
    ASSERT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(dialogs_.calls()[0].kind, ScriptedDialogService::Kind::PrintPreview);
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("Grand total")));
}
