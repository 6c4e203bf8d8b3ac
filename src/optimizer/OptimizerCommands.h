#pragma once

class MainWindow;

// Puts the optimizer into the main window: the Optimize dialog and the results dialog take the frame's
// places, "Optimi&ze shopping list..." runs it and "&Undo optimization" undoes it (disabled at start).
void installOptimizer(MainWindow& main);
