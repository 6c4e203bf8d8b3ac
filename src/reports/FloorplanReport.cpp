#include "FloorplanReport.h"

#include "Canvas.h"
#include "FloorplanView.h"
#include "Query.h"
#include "RenderFloorplan.h"
#include "ReportLayout.h"
#include "ShopAisles.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace reports {

namespace {

const QString kLabelSample = QStringLiteral("TextWidth");

} // namespace

std::optional<PlanExtent> placedExtent(const ShopAisles& plan) {
    std::optional<PlanExtent> e;
    for (int i = 0; i < plan.count(); ++i) {
        const FloorAisle& a = plan.at(i);
        if (!a.placed())
            continue;
        if (!e) {
            e = PlanExtent{a.left(), a.top(), a.right(), a.bottom()};
            continue;
        }
        e->minLeft = std::min(e->minLeft, a.left());
        e->minTop = std::min(e->minTop, a.top());
        e->maxRight = std::max(e->maxRight, a.right());
        e->maxBottom = std::max(e->maxBottom, a.bottom());
    }
    return e;
}

double floorplanAspect(QSize dpi) {
    if (dpi.width() <= 0 || dpi.height() <= 0)
        return 1.0;
    return static_cast<double>(dpi.width()) / dpi.height();
}

FloorplanFit fitFloorplanScale(const PlanExtent& extent, const FloorplanPage& page) {
    const int grid = ShopAisles::GridStep;
    // A single aisle of no width or height still prints, at the size its other direction allows.
    const double across = std::max<double>(1, double(extent.maxRight) - extent.minLeft);
    const double down = std::max<double>(1, double(extent.maxBottom) - extent.minTop);
    FloorplanFit fit;
    fit.scaleX = static_cast<float>(static_cast<double>(page.size.width() - 2 * page.sideMargin) / across);
    fit.scaleY = static_cast<float>(static_cast<double>(page.size.height() - 2 * page.topMargin) / down);

    // No enlargement beyond 0.4 inch a grid step, each direction on its own: scaling the other direction
    // down with it would shrink a plan far below what fits whenever that direction binds. Without a
    // readable resolution there is no inch to go by.
    const int dpiX = page.dpi.width(), dpiY = page.dpi.height();
    if (dpiX > 0 && dpiY > 0) {
        if (grid * static_cast<double>(fit.scaleX) > nearest(0.4 * dpiX))
            fit.scaleX = static_cast<float>(0.4 * dpiX / grid);
        if (grid * static_cast<double>(fit.scaleY) > nearest(0.4 * dpiY))
            fit.scaleY = static_cast<float>(0.4 * dpiY / grid);
    }

    const double a = floorplanAspect(page.dpi);
    if (fit.scaleY * a > fit.scaleX)
        fit.scaleY = static_cast<float>(fit.scaleX / a);
    else
        fit.scaleX = static_cast<float>(fit.scaleY * a);

    fit.offset = QPoint(nearest(extent.minLeft * static_cast<double>(fit.scaleX) - page.sideMargin),
                        nearest(extent.minTop * static_cast<double>(fit.scaleY) - page.topMargin));
    return fit;
}

int fitFloorplanLabelSize(float scaleX, double aspect, int screenWidth,
                          const std::function<int(int points)>& printedWidth) {
    const int target = static_cast<int>(std::trunc(screenWidth * static_cast<double>(scaleX) / aspect));
    for (int size = 1; size <= 20; ++size)
        if (printedWidth(size) > target)
            return std::max(1, size - 1);
    return 20;
}

QString floorplanHeading(const QString& shopName, const QString& address) {
    const QString trimmed = address.trimmed();
    return trimmed.isEmpty() ? shopName : shopName + QStringLiteral(", ") + trimmed;
}

FloorplanReport::FloorplanReport(ReportSource& source, const ShopAisles& plan, int shopId,
                                 FloorplanRenderer render, QFont viewFont, int screenWidth)
    : Report(source), plan_(plan), shopId_(shopId), render_(std::move(render)),
      viewFont_(std::move(viewFont)), screenWidth_(screenWidth) {}

int FloorplanReport::screenLabelWidth(const QFont& viewFont) {
    return QFontMetrics(viewFont).horizontalAdvance(kLabelSample);
}

QString FloorplanReport::prepare() {
    ReportQuery q(*source().query);
    if (!q.run({QStringLiteral("SELECT *"), QStringLiteral("FROM Shops"),
                QStringLiteral("WHERE ShopID = ") + QString::number(shopId_)}))
        return QStringLiteral("There is no shop with the id %1.").arg(shopId_);
    heading_ = floorplanHeading(q.field(QStringLiteral("ShopName")).asString(),
                                q.field(QStringLiteral("Address")).asString());
    q.close();
    // A plan whose aisles are all unplaced has nothing to print either, and no extent to scale.
    if (!placedExtent(plan_))
        return QStringLiteral("There are no aisles to print.");
    return QString();
}

void FloorplanReport::print(Canvas& canvas) {
    const std::optional<PlanExtent> extent = placedExtent(plan_);
    startFont(canvas, FloorplanFont);
    canvas.beginDocument(title());
    const int h = nearest(1.2 * canvas.textHeight(QStringLiteral("W")));
    FloorplanPage page;
    page.size = canvas.size();
    page.sideMargin = canvas.textWidth(QStringLiteral("WWW"));
    page.topMargin = 4 * h;
    page.dpi = canvas.resolution();
    canvas.textOut(page.sideMargin, 2 * h, heading_);

    if (extent) {
        canvas.setFont(viewFont_);
        FloorplanFit fit = fitFloorplanScale(*extent, page);
        fit.labelSize =
            fitFloorplanLabelSize(fit.scaleX, floorplanAspect(page.dpi), screenWidth_, [&](int points) {
                QFont f = viewFont_;
                f.setPointSize(points);
                canvas.setFont(f);
                return canvas.textWidth(kLabelSample);
            });
        canvas.setFont(viewFont_);
        render_(canvas, fit.labelSize, fit.scaleX, fit.scaleY, fit.offset);
    }
    canvas.endDocument();
}

QString shopIdArgumentError(const QString& shopId) {
    bool ok = false;
    const int id = shopId.toInt(&ok);
    if (ok && id > 0)
        return QString();
    return QStringLiteral("\"%1\" is not a shop id: give the shop's number, as in floorplan:3.").arg(shopId);
}

std::unique_ptr<Report> makeStoredFloorplanReport(ReportSource& source, const QString& shopId) {
    if (const QString error = shopIdArgumentError(shopId); !error.isEmpty())
        throw std::invalid_argument(error.toLocal8Bit().toStdString());
    const int id = shopId.toInt();
    auto plan = std::make_shared<ShopAisles>();
    plan->load(*source.query->database(), id);
    const FloorplanPrintStyle style{source.settings.fpBlack, source.settings.fpDot};
    // The renderer keeps the plan alive as long as the report.
    FloorplanRenderer render = [plan, style](Canvas& c, int fontSize, float sx, float sy, QPoint offset) {
        RenderFloorplan(c, *plan, true, fontSize, sx, sy, offset, true, style);
    };
    const QFont font = FloorplanView::planFont();
    return std::make_unique<FloorplanReport>(source, *plan, id, std::move(render), font,
                                             FloorplanReport::screenLabelWidth(font));
}

} // namespace reports
