#pragma once

#include <QString>
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
};
