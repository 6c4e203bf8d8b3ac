#include "BusyCursor.h"

#include <QApplication>

namespace ui {

BusyCursor::BusyCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace ui
