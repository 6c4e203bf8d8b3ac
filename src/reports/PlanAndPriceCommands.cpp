#include "PlanAndPriceCommands.h"

#include "AislesPage.h"
#include "FloorplanPanel.h"
#include "FloorplanReport.h"
#include "FloorplanView.h"
#include "MainWindow.h"
#include "ReportCommands.h"

#include <QAction>
#include <QTabWidget>

void installPriceFormAndFloorplan(MainWindow& main) {
    reports::installReportCommand(main, QStringLiteral("PrintPriceFormItem"), QStringLiteral("price-form"));

    auto* page = main.findChild<AislesPage*>();
    if (!page)
        return;
    // File, Print, "Floorplan..." leads to the plan it prints: after the frame has shown the Aisles page,
    // its Floorplan sub-page comes to the front.
    if (QAction* item = main.menuAction(QStringLiteral("PrintFloorplanItem")))
        QObject::connect(item, &QAction::triggered, page,
                         [page] { page->PageControl2->setCurrentIndex(AislesPage::FloorplanSubPage); });
    page->setPrintStyle([&main] {
        const AppSettings s = main.currentSettings();
        return FloorplanPrintStyle{s.fpBlack, s.fpDot};
    });
    page->setPrintHandler([&main, page] {
        reports::runWindowReport(main, [page](reports::ReportSource& source) {
            // The plan as shown, edits and all; the page draws it with its arrows setting.
            const QFont font = page->FloorTabSheet->FloorPlan->font();
            return std::make_unique<reports::FloorplanReport>(
                source, page->FloorTabSheet->aisles(), page->FloorTabSheet->shop(),
                [page](Canvas& canvas, int fontSize, float sx, float sy, QPoint offset) {
                    page->RenderFloorplanForPrint(canvas, fontSize, sx, sy, offset);
                },
                font, reports::FloorplanReport::screenLabelWidth(font));
        });
    });
}
