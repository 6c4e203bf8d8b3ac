#pragma once

class MainWindow;

// Puts the data tools into the main window's File menu: "&Check/repair data", "&Backup", "&Restore..." and
// "&Import V1 data...". Each leaves the page being shown, runs its window-free core and shows the page again.
void installDataCommands(MainWindow& main);

// The handlers, callable without the menu.
void Checkrepairdata1Click(MainWindow& main);
void Backup1Click(MainWindow& main);
void Restore1Click(MainWindow& main);
void ImportV1Click(MainWindow& main);
