#pragma once

#include "Report.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Canvas;
class ShopAisles;

namespace reports {

// The smallest and largest edges over the placed aisles of a plan, in plan units.
struct PlanExtent {
    int minLeft = 0;
    int minTop = 0;
    int maxRight = 0;
    int maxBottom = 0;
};

// None when no aisle of the plan is placed: unplaced aisles neither print nor count for the scale.
std::optional<PlanExtent> placedExtent(const ShopAisles& plan);

// The printed page as the plan is fitted to it, in printer dots.
struct FloorplanPage {
    QSize size;         // printable area
    int sideMargin = 0; // left and right of the plan area
    int topMargin = 0;  // above and below the plan area
    QSize dpi;          // resolution across and down; not positive when it cannot be read
};

// Plan unit to printer dots across (scaleX) and down (scaleY), and the label size in points.
struct FloorplanFit {
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    QPoint offset; // subtracted after scaling: puts the extent's top-left corner on the plan area's
    int labelSize = 1;
};

// Fits the extent to the plan area without distortion on paper: first to the area, then no grid step larger
// than 0.4 inch, then the same physical scale both ways (the smaller one wins). A zero extent counts as one
// plan unit.
FloorplanFit fitFloorplanScale(const PlanExtent& extent, const FloorplanPage& page);

// Dots across per dot down; 1 when the resolution cannot be read.
double floorplanAspect(QSize dpi);

// The label size in points, 1 to 20: one below the first size whose printed width of "TextWidth" exceeds
// the on-screen width scaled to paper. printedWidth(points) measures "TextWidth" on the printer.
int fitFloorplanLabelSize(float scaleX, double aspect, int screenWidth,
                          const std::function<int(int points)>& printedWidth);

// The heading above the plan: the shop's name, and ", " and its trimmed address when it has one.
QString floorplanHeading(const QString& shopName, const QString& address);

// Draws the plan as printed: aisles and arrows, with the font size, scales and offset given.
using FloorplanRenderer =
    std::function<void(Canvas&, int fontSize, float scaleX, float scaleY, QPoint offset)>;

// The floor plan printout of one shop on one page: the heading with the shop's name and address, and the
// plan fitted below it.
class FloorplanReport final : public Report {
public:
    // plan: the shop's plan as shown (it must outlive the report); render draws it with the arrows setting
    // and print preferences in force; viewFont: the on-screen plan's font, whose face the labels take;
    // screenWidth: the width of "TextWidth" in that font on screen (screenLabelWidth()).
    FloorplanReport(ReportSource& source, const ShopAisles& plan, int shopId, FloorplanRenderer render,
                    QFont viewFont, int screenWidth);

    // The width of "TextWidth" in the plan view's font on the screen.
    static int screenLabelWidth(const QFont& viewFont);

    QString title() const override { return QStringLiteral("Floorplan"); }
    // Reads the shop for the heading; a plan without a placed aisle has nothing to print.
    QString prepare() override;
    void print(Canvas& canvas) override;

private:
    const ShopAisles& plan_;
    int shopId_;
    FloorplanRenderer render_;
    QFont viewFont_;
    int screenWidth_;
    QString heading_;
};

// The printout of a shop's stored plan, as the command line prints it: the shop id in decimal, the sequence
// arrows on, the floor plan options of the settings.
std::unique_ptr<Report> makeStoredFloorplanReport(ReportSource& source, const QString& shopId);
// Why a text is not a shop id (a positive whole number), or an empty text when it is one.
QString shopIdArgumentError(const QString& shopId);

} // namespace reports
