#include "PrintJob.h"
#include "BusyCursorProbe.h"
#include "FridgeListReport.h"
#include "PrinterCanvas.h"
#include "ReportTestDatabase.h"
#include "ScriptedDialogService.h"
#include "ScriptedMessageService.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>

#include <stdexcept>

namespace {

// The text of a PDF file as pdftotext lays it out, and its page count.
QString pdfText(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& file) {
    return static_cast<int>(pdfText(file).count(QLatin1Char('\f')));
}

// A report that draws a page and then fails, as a printer or the database may in the middle of a job.
class FailingReport final : public reports::Report {
public:
    explicit FailingReport(reports::ReportSource& source) : Report(source) {}
    QString title() const override { return QStringLiteral("Failing"); }
    QString prepare() override { return QString(); }
    void print(Canvas& canvas) override {
        canvas.beginDocument(title());
        canvas.textOut(100, 100, QStringLiteral("half a job"));
        canvas.newPage();
        throw std::runtime_error("The printer ran out of paper.");
    }
};

} // namespace

class PrintJobTest : public ReportTest {
protected:
    PrintJobTest() : printer(QPrinter::HighResolution) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        db.beginTransaction();
        const int dairy = addCategory(QStringLiteral("Dairy"));
        for (int i = 0; i < 150; ++i)
            addProduct(QStringLiteral("Product %1").arg(i, 3, 10, QLatin1Char('0')), dairy);
        db.commitTransaction();
        source.settings.flCols = 2;
    }
    QStringList folderEntries() const {
        return QDir(out.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TempFolder out;
    QString pdf = out.file(QStringLiteral("fridge.pdf"));
    QPrinter printer;
    ScriptedDialogService dialogs;
    ScriptedMessageService messages;
};

TEST_F(PrintJobTest, PrintsThePagesIntoThePdfFileUnderTheBusyCursor) {
    reports::FridgeListReport report(source);
    dialogs.setNextAnswer(true);
    BusyCursorProbe probe(query);
    probe.check("fridge list", [&] { EXPECT_TRUE(reports::runReport(report, printer, nullptr, false)); });
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.calls()[0].kind, ScriptedDialogService::Kind::Print);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("fridge.pdf")});
    EXPECT_EQ(printer.docName(), QStringLiteral("Fridge list"));
    // The chosen printer keeps its file name for the next job.
    EXPECT_EQ(printer.outputFileName(), pdf);

    const QString text = pdfText(pdf);
    // Two columns: the first column's names come before the second's on the same line.
    const int first = text.indexOf(QStringLiteral("Product 000"));
    ASSERT_GE(first, 0) << text.toStdString();
    const QString firstLine = text.mid(first, text.indexOf(QLatin1Char('\n'), first) - first);
    EXPECT_TRUE(firstLine.contains(QStringLiteral("Product 0"))) << firstLine.toStdString();
    for (int i = 0; i < 150; ++i)
        EXPECT_TRUE(text.contains(QStringLiteral("Product %1").arg(i, 3, 10, QLatin1Char('0')))) << i;
    EXPECT_GE(pdfPages(pdf), 1);
}

TEST_F(PrintJobTest, CancelledDialogPrintsAndShowsNothing) {
    reports::FridgeListReport report(source);
    dialogs.setNextAnswer(false);
    EXPECT_FALSE(reports::runReport(report, printer, nullptr, false));
    EXPECT_EQ(messages.count(), 0);
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(PrintJobTest, NothingToPrintShowsTheMessageAfterTheDialogAndWritesNoFile) {
    engine::Table products(&db, QStringLiteral("Products"));
    products.open();
    db.beginTransaction();
    while (!products.isEmpty()) {
        products.first();
        products.deleteRecord();
    }
    db.commitTransaction();
    reports::FridgeListReport report(source);
    dialogs.setNextAnswer(true);
    EXPECT_FALSE(reports::runReport(report, printer, nullptr, false));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("There are no products to print."));
    EXPECT_EQ(messages.calls()[0].kind, ui::MessageKind::Information);
    EXPECT_TRUE(folderEntries().isEmpty());

    // With the preview the message comes first and no preview opens.
    messages.clear();
    dialogs.clear();
    EXPECT_FALSE(reports::runReport(report, printer, nullptr, true));
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("There are no products to print."));
    EXPECT_EQ(dialogs.count(), 0);
}

TEST_F(PrintJobTest, PreviewPrintsTheSameJob) {
    reports::FridgeListReport report(source);
    dialogs.setNextAnswer(true);
    EXPECT_TRUE(reports::runReport(report, printer, nullptr, true));
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.calls()[0].kind, ScriptedDialogService::Kind::PrintPreview);
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("Product 149")));

    // Closing the preview prints nothing.
    QFile::remove(pdf);
    dialogs.setNextAnswer(false);
    EXPECT_FALSE(reports::runReport(report, printer, nullptr, true));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(PrintJobTest, FailureInTheMiddleLeavesNoHalfWrittenFile) {
    // An older file of the chosen name stays as it was.
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous contents");
    old.close();
    FailingReport report(source);
    EXPECT_THROW(reports::printReport(report, printer), std::runtime_error);
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("fridge.pdf")});
    QFile check(pdf);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("previous contents"));
    EXPECT_EQ(printer.outputFileName(), pdf);

    // Without an older file nothing is left at all.
    QFile::remove(pdf);
    EXPECT_THROW(reports::printReport(report, printer), std::runtime_error);
    EXPECT_TRUE(folderEntries().isEmpty());

    // The printer works for the next job.
    reports::FridgeListReport good(source);
    ASSERT_EQ(good.prepare(), QString());
    reports::printReport(good, printer);
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("Product 000")));
}

TEST_F(PrintJobTest, UnwritableFolderIsReportedWithoutAJob) {
    printer.setOutputFileName(out.path() + QStringLiteral("/missing/folder/list.pdf"));
    reports::FridgeListReport report(source);
    ASSERT_EQ(report.prepare(), QString());
    try {
        reports::printReport(report, printer);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromLocal8Bit(e.what()).contains(QStringLiteral("list.pdf"))) << e.what();
    }
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(PrintJobTest, PrinterCanvasScalesFontsToThePrinter) {
    reports::PrinterCanvas canvas(printer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    canvas.setFont(font);
    // 8 points at 1200 dots per inch: a line of text is well over 100 dots high.
    EXPECT_EQ(canvas.resolution(), QSize(1200, 1200));
    EXPECT_GT(canvas.textHeight(QStringLiteral("W")), 100);
    const int before = canvas.textWidth(QStringLiteral("WWWW"));
    canvas.beginDocument(QStringLiteral("Scale"));
    EXPECT_EQ(canvas.textWidth(QStringLiteral("WWWW")), before);
    EXPECT_EQ(canvas.size(), printer.pageLayout().paintRectPixels(1200).size());
    canvas.endDocument();
    EXPECT_TRUE(QFile::exists(pdf));
}
