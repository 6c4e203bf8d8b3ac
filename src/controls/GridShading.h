#pragma once

#include <QColor>

namespace ui {

class ThemedDBGrid;

// The stripes of the wide grids: every second column a shade darker (or, on dark backgrounds, lighter)
// than the grid's background.
class GridShading {
public:
    // The stripe colour for a background: c = 30 - v * 20 / 16777215 rounded half to even, where v is the
    // colour as red + green * 256 + blue * 65536; near-white backgrounds take c off each component, all
    // others add it, each component wrapping modulo 256.
    static QColor stripeColour(const QColor& background);
    // The stripe a grid shows: stripeColour, unless its wrapping makes the text less readable than on the
    // background itself (a strong yellow background would get a near-black stripe); then the same shade
    // without wrapping, each component held within 0 and 255.
    static QColor readableStripe(const QColor& background, const QColor& text);
    // The contrast ratio of two colours by their relative luminance, from 1 (none) to 21 (black on white).
    static double contrast(const QColor& a, const QColor& b);
    // Gives columns 1, 3, 5, ... the stripe colour and the others the grid's own; grids of fewer than two
    // columns are left alone. The stripes follow the grid's colours when the desktop's scheme changes.
    static void apply(ThemedDBGrid& grid);
};

} // namespace ui
