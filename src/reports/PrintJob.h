#pragma once

class QPrinter;
class QWidget;

namespace reports {

class Report;

// Draws a prepared report on the printer as one job under the busy cursor. An error during the job aborts
// it and passes on to the caller (the program's general error display); a PDF file then stays as it was.
void printReport(Report& report, QPrinter& printer);

// A menu command's run: the print dialog (or, with the preview option on, the print preview) through the
// dialog service, the report's message when there is nothing to print, then the job on the chosen printer.
// Cancel prints nothing and shows nothing. Returns true when a job was printed.
bool runReport(Report& report, QPrinter& printer, QWidget* parent, bool preview);

} // namespace reports
