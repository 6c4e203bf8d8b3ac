// Times the floor plan's paint: one full render (background, grid, 300 labelled aisles, sequence arrows) at
// 1000 x 800 pixels into an image, as the view paints it, and one drag step (move the selection by a grid
// step, then repaint). Prints milliseconds per operation.

#include "PainterCanvas.h"
#include "RenderFloorplan.h"
#include "ShopAisles.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>

namespace {

void fillShop(ShopAisles& plan, int count) {
    // A grid of 100 x 20 aisles, 15 to a column, walked column by column; 300 fill 1000 x 800 and more.
    for (int i = 0; i < count; ++i) {
        FloorAisle a;
        a.Category = i + 1;
        a.CatName = QStringLiteral("Category %1").arg(i + 1);
        const int col = i / 15, row = i % 15;
        a.RectLeft = 20 + col * 120;
        a.RectTop = 20 + row * 40;
        a.RectRight = a.RectLeft + 100;
        a.RectBottom = a.RectTop + 20;
        plan.append(a);
    }
}

template <typename F> double millisecondsPer(int runs, F&& step) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        step(i);
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / runs;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    ShopAisles plan;
    fillShop(plan, 300);
    QImage image(1000, 800, QImage::Format_RGB32);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    font.setBold(true);

    const auto paint = [&] {
        QPainter painter(&image);
        painter.setFont(font);
        PainterCanvas canvas(painter);
        RenderFloorplan(canvas, plan, false, 8, 1.0f, 1.0f, QPoint(0, 0), true);
    };

    paint(); // warm-up: fonts and glyph caches
    const int runs = 200;
    const double full = millisecondsPer(runs, [&](int) { paint(); });

    plan.selectAllPlaced();
    const double drag = millisecondsPer(runs, [&](int i) {
        plan.moveSelection(i % 2 ? -ShopAisles::GridStep : ShopAisles::GridStep, 0);
        paint();
    });

    std::printf("floor plan, 300 placed aisles, 1000 x 800 pixels\n");
    std::printf("  full render:            %.3f ms\n", full);
    std::printf("  drag step (all moving): %.3f ms\n", drag);
    return 0;
}
