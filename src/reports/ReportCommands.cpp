#include "ReportCommands.h"

#include "MainWindow.h"
#include "PlanAndPriceCommands.h"
#include "PrintJob.h"
#include "Report.h"
#include "ReportRegistry.h"

#include <QAction>

namespace reports {

ReportSource windowReportSource(MainWindow& main) {
    ReportSource source;
    source.query = main.UsefulQuery;
    source.aisles = main.PrintAislesTable;
    source.settings = main.currentSettings();
    return source;
}

void runWindowReport(MainWindow& main, const std::function<std::unique_ptr<Report>(ReportSource&)>& make) {
    ReportSource source = windowReportSource(main);
    const std::unique_ptr<Report> report = make(source);
    runReport(*report, main.printer(), &main, source.settings.printPreview);
}

void installReportCommand(MainWindow& main, const QString& actionName, const QString& reportName) {
    QAction* action = main.menuAction(actionName);
    const ReportEntry* entry = findReport(reportName);
    if (!action || !entry || !entry->make)
        return;
    action->setEnabled(true);
    const auto make = entry->make;
    QObject::connect(action, &QAction::triggered, &main, [&main, make] {
        runWindowReport(main, [&make](ReportSource& source) { return make(source, QString()); });
    });
}

} // namespace reports

void installReports(MainWindow& main) {
    using reports::installReportCommand;
    installReportCommand(main, QStringLiteral("PrintFridgeItem"), QStringLiteral("fridge-list"));
    installReportCommand(main, QStringLiteral("PrintShoppingItem"), QStringLiteral("shopping-list"));
    installReportCommand(main, QStringLiteral("PrintMasterItem"), QStringLiteral("master-item-list"));
    installPriceFormAndFloorplan(main);
}
