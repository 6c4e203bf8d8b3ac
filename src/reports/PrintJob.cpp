#include "PrintJob.h"

#include "BusyCursor.h"
#include "DialogService.h"
#include "MessageService.h"
#include "PrinterCanvas.h"
#include "Report.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

#include <map>

namespace reports {

namespace {

// The report's first query, under the busy cursor; its message is shown after the cursor is back.
QString prepared(Report& report) {
    ui::BusyCursor busy;
    return report.prepare();
}

// The PDF file each printer wrote last and the report it held.
struct WrittenFile {
    QString file;
    QString title;
};
std::map<const QPrinter*, WrittenFile>& writtenFiles() {
    static std::map<const QPrinter*, WrittenFile> files;
    return files;
}

// A printer that still points at the file another report was written to suggests this report's own name in
// that folder ("Shopping list.pdf"), so one report never overwrites another's file unasked. The document
// name is what the print dialog makes a file name of when the user turns to "Print to File".
void suggestFileName(const Report& report, QPrinter& printer) {
    printer.setDocName(report.title());
    const auto it = writtenFiles().find(&printer);
    if (it == writtenFiles().end() || printer.outputFormat() != QPrinter::PdfFormat ||
        printer.outputFileName() != it->second.file || it->second.title == report.title())
        return;
    printer.setOutputFileName(
        QFileInfo(it->second.file).absoluteDir().filePath(report.title() + QStringLiteral(".pdf")));
}

void rememberFile(const Report& report, const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        writtenFiles()[&printer] = {printer.outputFileName(), report.title()};
}

} // namespace

void printReport(Report& report, QPrinter& printer) {
    ui::BusyCursor busy;
    PrinterCanvas canvas(printer);
    try {
        report.print(canvas);
    } catch (...) {
        canvas.abort();
        throw;
    }
    // A report that forgot to end its document must not leave the job hanging.
    if (canvas.active())
        canvas.endDocument();
}

bool runReport(Report& report, QPrinter& printer, QWidget* parent, bool preview) {
    suggestFileName(report, printer);
    if (preview) {
        // The preview needs rows to show, so the empty report's message comes before it.
        const QString message = prepared(report);
        if (!message.isEmpty()) {
            ui::showMessage(ui::MessageKind::Information, message, ui::MessageButtons::Ok, parent);
            return false;
        }
        return ui::DialogService::instance().printPreview(parent, printer, report.title(),
                                                          [&report](QPrinter& target) {
                                                              if (prepared(report).isEmpty()) {
                                                                  printReport(report, target);
                                                                  rememberFile(report, target);
                                                              }
                                                          });
    }
    if (!ui::DialogService::instance().print(parent, printer))
        return false;
    const QString message = prepared(report);
    if (!message.isEmpty()) {
        ui::showMessage(ui::MessageKind::Information, message, ui::MessageButtons::Ok, parent);
        return false;
    }
    printReport(report, printer);
    rememberFile(report, printer);
    return true;
}

} // namespace reports
