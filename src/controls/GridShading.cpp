#include "GridShading.h"

#include "ThemedDBGrid.h"

#include <QEvent>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

int shade(const QColor& background) {
    const QColor rgb = background.toRgb();
    const std::int64_t v = static_cast<std::int64_t>(rgb.red()) + rgb.green() * 256LL + rgb.blue() * 65536LL;
    const int c = static_cast<int>(std::nearbyint(30.0 - static_cast<double>(v) * 20.0 / 16777215.0));
    return 16777215 - v < 1000000 ? -c : c;
}

double luminance(const QColor& colour) {
    const auto linear = [](int component) {
        const double c = component / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

// Shades the grid again whenever its colours change with the desktop's scheme.
class ShadingFollower : public QObject {
public:
    static constexpr const char* kName = "GridShadingFollower";
    explicit ShadingFollower(ThemedDBGrid* grid) : QObject(grid), grid_(grid) {
        setObjectName(QLatin1String(kName));
        grid->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == grid_ && event->type() == QEvent::PaletteChange)
            GridShading::apply(*grid_);
        return QObject::eventFilter(watched, event);
    }

private:
    ThemedDBGrid* grid_;
};

} // namespace

QColor GridShading::stripeColour(const QColor& background) {
    const QColor rgb = background.toRgb();
    const int c = shade(rgb);
    const auto wrap = [](int x) { return ((x % 256) + 256) % 256; };
    return QColor(wrap(rgb.red() + c), wrap(rgb.green() + c), wrap(rgb.blue() + c));
}

QColor GridShading::readableStripe(const QColor& background, const QColor& text) {
    const QColor stripe = stripeColour(background);
    if (contrast(stripe, text) >= std::min(4.5, contrast(background, text)))
        return stripe;
    const QColor rgb = background.toRgb();
    const int c = shade(rgb);
    const auto hold = [](int x) { return std::clamp(x, 0, 255); };
    return QColor(hold(rgb.red() + c), hold(rgb.green() + c), hold(rgb.blue() + c));
}

double GridShading::contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void GridShading::apply(ThemedDBGrid& grid) {
    const int columns = grid.gridModel()->columnCount();
    if (columns < 2)
        return;
    if (!grid.findChild<QObject*>(QLatin1String(ShadingFollower::kName), Qt::FindDirectChildrenOnly))
        new ShadingFollower(&grid);
    const QColor stripe = readableStripe(grid.backgroundColor(), grid.palette().color(QPalette::Text));
    for (int c = 0; c < columns; ++c)
        grid.setColumnColor(c, c % 2 == 1 ? stripe : QColor());
}

} // namespace ui
