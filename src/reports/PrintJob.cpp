#include "PrintJob.h"

#include "BusyCursor.h"
#include "DialogService.h"
#include "MessageService.h"
#include "PrinterCanvas.h"
#include "Report.h"

#include <QPrinter>

namespace reports {

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
        const QString message = report.prepare();
        if (!message.isEmpty()) {
            ui::showMessage(ui::MessageKind::Information, message, ui::MessageButtons::Ok, parent);
            return false;
        }
        return ui::DialogService::instance().printPreview(parent, printer, [&report](QPrinter& target) {
            report.prepare();
            printReport(report, target);
        });
    }
    if (!ui::DialogService::instance().print(parent, printer))
        return false;
    const QString message = report.prepare();
    if (!message.isEmpty()) {
        ui::showMessage(ui::MessageKind::Information, message, ui::MessageButtons::Ok, parent);
        return false;
    }
    printReport(report, printer);
    return true;
}

} // namespace reports
