#pragma once

#include <QPoint>

class Canvas;
class ShopAisles;

// How the printed floor plan looks, from the Options dialog; the screen ignores it.
struct FloorplanPrintStyle {
    bool blackOnly = false;    // outlines only, black arrows ("Blac&k only" instead of "Co&lour")
    bool dottedArrows = false; // dotted connecting lines ("Dotted arro&ws")
};

// Draws the floor plan on any canvas: on screen the white background, plan edges and grid, then the aisles
// (selected ones on top) and the sequence arrows; printed, the aisles and arrows only. Plan point (x, y)
// lands on device point (Round(x * scaleX) - offset.x, Round(y * scaleY) - offset.y), rounding half to even.
// On screen the offset is the scroll position.
void RenderFloorplan(Canvas& canvas, const ShopAisles& aisles, bool printing, int fontSize, float scaleX,
                     float scaleY, QPoint offset, bool sequenceArrows, const FloorplanPrintStyle& style = {});
