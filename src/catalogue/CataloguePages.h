#pragma once

class MainWindow;

// Installs the Items, Categories and Shops pages and the Copy shop dialog in the main window, and connects
// the Tools menu's "&Delete unused products..." and "&Copy shop...". Call it after the window's dialogs were
// created and before it is first shown.
void installCataloguePages(MainWindow& main);
