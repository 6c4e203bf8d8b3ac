#pragma once

class MainWindow;

// Puts every subsystem's pages, dialogs and commands into the main window's frame. Run after the dialogs are
// created and before the window is first shown.
void installSubsystems(MainWindow& main);
