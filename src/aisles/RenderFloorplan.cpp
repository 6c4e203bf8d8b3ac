#include "RenderFloorplan.h"

#include "Canvas.h"
#include "ShopAisles.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

// Half of the arrow head's angle: the constant 3.14159 / 6 the plans have always been drawn with.
constexpr double kHalfAngle = 0.5235983333;
constexpr float kPi = 3.14159f;

int roundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// Device coordinates stay far inside int, so that an aisle stored with huge edges draws off the page instead
// of wrapping round.
constexpr double kFarAway = 1 << 28;

int device(double v) {
    return roundEven(std::clamp(v, -kFarAway, kFarAway));
}

struct Mapper {
    float sx, sy;
    QPoint offset;
    QPoint operator()(double x, double y) const {
        return {device(x * static_cast<double>(sx)) - offset.x(),
                device(y * static_cast<double>(sy)) - offset.y()};
    }
};

void drawAisle(Canvas& c, const FloorAisle& a, const Mapper& dev, bool printing, int fontSize, int penWidth,
               const FloorplanPrintStyle& style, const FloorplanColours& colours) {
    const double L = a.left(), T = a.top(), R = a.right(), B = a.bottom();
    c.setBrushColor(a.Selected && !printing ? colours.selectedAisle : colours.aisle);
    c.setBrushStyle(printing && style.blackOnly ? Canvas::BrushStyle::Clear : Canvas::BrushStyle::Solid);
    c.setPenColor(colours.outline);
    c.setPenWidth(penWidth);
    c.setPenStyle(Canvas::PenStyle::Solid);
    const QPoint tl = dev(L, T), br = dev(R + 1, B + 1);
    c.rectangle(tl.x(), tl.y(), br.x(), br.y());

    QFont font = c.font();
    font.setPointSize(fontSize);
    font.setBold(true);
    c.setFont(font);
    c.setFontColor(colours.label);
    const bool horizontal = R - L >= B - T || c.textWidth(a.CatName) + 5 < R - L;
    if (horizontal) {
        const QPoint p1 = dev(L + 3, T + 3), p2 = dev(R - 2, B - 1);
        c.textRect(Canvas::edges(p1.x(), p1.y(), p2.x(), p2.y()), p1.x(), p1.y(), a.CatName);
    } else {
        const QPoint p1 = dev(L + 2, T + 2), p2 = dev(R, B - 3);
        c.rotatedText(p1.x(), p2.y(), 90, a.CatName, Canvas::edges(p1.x(), p1.y(), p2.x(), p2.y()));
    }
}

void dot(Canvas& c, QPoint p, bool printing, int radius) {
    if (printing) {
        c.ellipse(p.x() - radius, p.y() - radius, p.x() + radius, p.y() + radius);
        return;
    }
    const QColor pen = c.penColor();
    c.setPixel(p.x() - 1, p.y(), pen);
    c.setPixel(p.x() + 1, p.y(), pen);
    c.setPixel(p.x(), p.y() - 1, pen);
    c.setPixel(p.x(), p.y() + 1, pen);
}

void drawArrows(Canvas& c, const ShopAisles& aisles, const Mapper& dev, bool printing, int penWidth, int arm,
                float scaleX, const FloorplanPrintStyle& style, const FloorplanColours& colours) {
    c.setPenWidth(penWidth);
    if (!printing || !style.blackOnly) {
        c.setPenColor(colours.arrow);
        c.setBrushColor(colours.arrow);
    }
    c.setBrushStyle(Canvas::BrushStyle::Solid);
    const int radius = roundEven(static_cast<double>(scaleX));
    const bool dotted = printing && style.dottedArrows;
    // Dots a reader can see on paper: a pen of a screen pixel's size (0.75 pt) at any printer resolution.
    const int dotWidth = std::max(1, roundEven(c.resolution().width() / 96.0));
    const auto centre = [&](const FloorAisle& a) {
        return dev(a.left() + (static_cast<double>(a.right()) - a.left()) / 2.0,
                   a.top() + (static_cast<double>(a.bottom()) - a.top()) / 2.0);
    };

    bool started = false;
    QPoint c0;
    for (int i = 0; i < aisles.count(); ++i) {
        const FloorAisle& a = aisles.at(i);
        if (a.RectLeft <= -1)
            continue;
        const QPoint c1 = centre(a);
        if (!started) {
            started = true;
            c.moveTo(c1.x(), c1.y());
            c.setPenStyle(Canvas::PenStyle::Solid);
            c.setPenWidth(penWidth);
            dot(c, c1, printing, radius);
            c0 = c1;
            continue;
        }
        if (dotted) {
            c.setPenWidth(dotWidth);
            c.setPenStyle(Canvas::PenStyle::Dot);
        }
        c.lineTo(c1.x(), c1.y());
        c.setPenStyle(Canvas::PenStyle::Solid);
        c.setPenWidth(penWidth);
        dot(c, c1, printing, radius);

        const int x0 = c0.x(), y0 = c0.y(), x1 = c1.x(), y1 = c1.y();
        const int mx = roundEven((x1 - x0) / 2.0) + x0;
        const int my = roundEven((y1 - y0) / 2.0) + y0;
        QPoint e1, e2;
        if (x1 == x0) {
            const int half = roundEven(std::sin(kHalfAngle) * arm);
            const int rise = roundEven(std::cos(kHalfAngle) * arm);
            const int ey = y1 < y0 ? my + rise : my - rise;
            e1 = {mx - half, ey};
            e2 = {mx + half, ey};
        } else {
            float theta = static_cast<float>(std::atan(static_cast<double>(y1 - y0) / (x1 - x0)));
            if (mx < x0)
                theta = theta + kPi;
            const double t1 = static_cast<double>(theta) + kHalfAngle;
            const double t2 = static_cast<double>(theta) - kHalfAngle;
            e1 = {mx - roundEven(std::cos(t1) * arm), my - roundEven(std::sin(t1) * arm)};
            e2 = {mx - roundEven(std::cos(t2) * arm), my - roundEven(std::sin(t2) * arm)};
        }
        if (dotted)
            c.setPenWidth(dotWidth);
        c.line(mx, my, e1.x(), e1.y());
        c.line(mx, my, e2.x(), e2.y());
        c.moveTo(x1, y1);
        c0 = c1;
    }
}

} // namespace

FloorplanColours FloorplanColours::forPalette(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    FloorplanColours c;
    if (base.lightness() >= text.lightness())
        return c; // a light scheme: the plan as it has always looked
    // A dark scheme: the scheme's background and text, aisles a dark yellow (a brighter one when selected)
    // and lines light enough to stand out from both.
    c.background = base;
    c.edge = QColor(205, 92, 92);
    c.aisle = QColor(74, 72, 40);
    c.selectedAisle = QColor(125, 115, 0);
    c.outline = text;
    c.label = text;
    c.arrow = QColor(102, 204, 102);
    return c;
}

void RenderFloorplan(Canvas& canvas, const ShopAisles& aisles, bool printing, int fontSize, float scaleX,
                     float scaleY, QPoint offset, bool sequenceArrows, const FloorplanPrintStyle& style,
                     const FloorplanColours& screen) {
    // Printed plans keep their own colours whatever the screen shows.
    const FloorplanColours colours = printing ? FloorplanColours{} : screen;
    const Mapper dev{scaleX, scaleY, offset};
    const int penWidth = std::max(1, roundEven(static_cast<double>(scaleX)));
    const int arm = roundEven(7.0 * static_cast<double>(scaleX));

    canvas.setBrushColor(colours.background);
    canvas.setBrushStyle(Canvas::BrushStyle::Solid);
    canvas.setPenColor(colours.background);
    canvas.setPenStyle(Canvas::PenStyle::Solid);

    if (!printing) {
        const QSize view = canvas.size();
        canvas.fillRect(0, 0, view.width(), view.height());
        canvas.setPenColor(colours.edge);
        canvas.setPenWidth(3);
        if (offset.x() == 0)
            canvas.line(1, 0, 1, view.height());
        if (offset.y() == 0)
            canvas.line(0, 1, view.width(), 1);
        const int g = ShopAisles::GridStep;
        const auto phase = [g](int scroll) {
            const double q = static_cast<double>(scroll) / g;
            return g - roundEven((q - std::floor(q)) * g);
        };
        const int px = phase(offset.x()), py = phase(offset.y());
        for (int i = 0; i <= view.height() / g; ++i)
            for (int j = 0; j <= view.width() / g; ++j)
                canvas.setPixel(j * g + px, i * g + py, colours.gridDot);
    }

    for (int i = 0; i < aisles.count(); ++i) {
        const FloorAisle& a = aisles.at(i);
        if (!a.Selected && a.placed())
            drawAisle(canvas, a, dev, printing, fontSize, penWidth, style, colours);
    }
    for (const FloorAisle* a : aisles.selected())
        if (a->placed())
            drawAisle(canvas, *a, dev, printing, fontSize, penWidth, style, colours);

    if (sequenceArrows && aisles.placedCount() >= 2)
        drawArrows(canvas, aisles, dev, printing, penWidth, arm, scaleX, style, colours);
}
