#pragma once

#include <QList>

class MainWindow;
class TakeAlongList;

// Puts the commands that take the shopping list along into the main window: "C&opy shopping list"
// (Ctrl+Shift+C) in the Edit menu, "&Export shopping list..." in the File menu and "Show list as QR
// code...", which the Shopping list page's buttons run. Installed before that page, which finds them by name.
void installTakeAlong(MainWindow& main);

namespace takealong {

// The help topic of these commands.
constexpr int kHelpContext = 510;

// The list of the shops selected on the Shopping list page (every shop with listed items when none is),
// read under the busy cursor.
TakeAlongList windowList(MainWindow& main);

// The handlers, callable without the menu.
void copyShoppingList(MainWindow& main);
void exportShoppingList(MainWindow& main);
void showListQrCode(MainWindow& main);

} // namespace takealong
