#pragma once

#include <QString>

#include <functional>
#include <memory>

class MainWindow;

// Enables File, Print's report entries and makes each run its report.
void installReports(MainWindow& main);

namespace reports {

class Report;
struct ReportSource;

// The source the reports read in the running program: the main window's shared query and aisles view, the
// options and fonts of the Options dialog, the notes of the Shopping list page.
ReportSource windowReportSource(MainWindow& main);

// Runs a report as every print command of the window does: the print dialog (or the preview when the
// Options dialog says so) on the window's printer, the empty report's message, the job.
void runWindowReport(MainWindow& main, const std::function<std::unique_ptr<Report>(ReportSource&)>& make);

// Enables the menu entry (by object name) and makes it run the report registered under `reportName`.
void installReportCommand(MainWindow& main, const QString& actionName, const QString& reportName);

} // namespace reports
