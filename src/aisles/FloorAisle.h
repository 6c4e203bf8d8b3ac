#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>

// One aisle of the shown shop: its rectangle on the floor plan (edges inclusive, RectLeft -1 when the aisle
// is not placed), its category and whether it is selected on the plan.
struct FloorAisle {
    std::int32_t RectLeft = -1;
    std::int32_t RectTop = 0;
    std::int32_t RectRight = 0;
    std::int32_t RectBottom = 0;
    std::int32_t Category = 0; // CatID, full 32 bits
    QString CatName;
    bool Selected = false;

    bool placed() const { return RectLeft != -1; }

    // The edges in order, as the plan draws, prints and hits the aisle: a rectangle stored inverted (old data
    // files hold some) shows the area it spans, while the stored edges stay as they are.
    std::int32_t left() const { return std::min(RectLeft, RectRight); }
    std::int32_t right() const { return std::max(RectLeft, RectRight); }
    std::int32_t top() const { return std::min(RectTop, RectBottom); }
    std::int32_t bottom() const { return std::max(RectTop, RectBottom); }
};
