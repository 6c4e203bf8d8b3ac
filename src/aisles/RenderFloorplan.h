#pragma once

#include <QColor>
#include <QPoint>

class Canvas;
class QPalette;
class ShopAisles;

// How the printed floor plan looks, from the Options dialog; the screen ignores it.
struct FloorplanPrintStyle {
    bool blackOnly = false;    // outlines only, black arrows ("Blac&k only" instead of "Co&lour")
    bool dottedArrows = false; // dotted connecting lines ("Dotted arro&ws")
};

// The colours of the plan on screen. Printed plans always take the standard ones; the screen takes them
// from the desktop's colour scheme: the standard white sheet under a light scheme, the scheme's own
// background and text with darker aisles and lighter lines under a dark one.
struct FloorplanColours {
    QColor background{255, 255, 255};
    QColor edge{128, 0, 0};
    QColor gridDot{128, 128, 128};
    QColor aisle{252, 252, 210};
    QColor selectedAisle{255, 255, 0};
    QColor outline{0, 0, 0};
    QColor label{0, 0, 0};
    QColor arrow{0, 128, 0};

    static FloorplanColours forPalette(const QPalette& palette);
};

// Draws the floor plan on any canvas: on screen the white background, plan edges and grid, then the aisles
// (selected ones on top) and the sequence arrows; printed, the aisles and arrows only. Plan point (x, y)
// lands on device point (Round(x * scaleX) - offset.x, Round(y * scaleY) - offset.y), rounding half to even.
// On screen the offset is the scroll position.
void RenderFloorplan(Canvas& canvas, const ShopAisles& aisles, bool printing, int fontSize, float scaleX,
                     float scaleY, QPoint offset, bool sequenceArrows, const FloorplanPrintStyle& style = {},
                     const FloorplanColours& screen = {});
