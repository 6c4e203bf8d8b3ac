#pragma once

namespace ui {

// Shows the busy cursor while a command that can keep the user waiting runs: set on construction, put back
// on destruction, also when an exception passes. Guards nest. Open no message box inside one: the box would
// show the busy cursor too.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace ui
