#include "PrintJob.h"

#include "BusyCursor.h"
#include "DialogService.h"
#include "MessageService.h"
#include "PrinterCanvas.h"
#include "Report.h"

#include <QPrinter>

namespace reports {

namespace {

// The report's first query, under the busy cursor; its message is shown after the cursor is back.
QString prepared(Report& report) {
    ui::BusyCursor busy;
    return report.prepare();
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
    if (preview) {
        // The preview needs rows to show, so the empty report's message comes before it.
        const QString message = prepared(report);
        if (!message.isEmpty()) {
            ui::showMessage(ui::MessageKind::Information, message, ui::MessageButtons::Ok, parent);
            return false;
        }
        return ui::DialogService::instance().printPreview(parent, printer, [&report](QPrinter& target) {
            if (prepared(report).isEmpty())
                printReport(report, target);
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
    return true;
}

} // namespace reports
