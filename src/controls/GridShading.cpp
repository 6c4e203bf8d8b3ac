#include "GridShading.h"

#include "ThemedDBGrid.h"

#include <cmath>

namespace ui {

QColor GridShading::stripeColour(const QColor& background) {
    const QColor rgb = background.toRgb();
    const std::int64_t v = static_cast<std::int64_t>(rgb.red()) + rgb.green() * 256LL + rgb.blue() * 65536LL;
    const int c = static_cast<int>(std::nearbyint(30.0 - static_cast<double>(v) * 20.0 / 16777215.0));
    const int sign = 16777215 - v < 1000000 ? -1 : 1;
    const auto wrap = [](int x) { return ((x % 256) + 256) % 256; };
    return QColor(wrap(rgb.red() + sign * c), wrap(rgb.green() + sign * c), wrap(rgb.blue() + sign * c));
}

void GridShading::apply(ThemedDBGrid& grid) {
    const int columns = grid.gridModel()->columnCount();
    if (columns < 2)
        return;
    const QColor stripe = stripeColour(grid.backgroundColor());
    for (int c = 0; c < columns; ++c)
        grid.setColumnColor(c, c % 2 == 1 ? stripe : QColor());
}

} // namespace ui
