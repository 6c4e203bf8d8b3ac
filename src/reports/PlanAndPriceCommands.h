#pragma once

class MainWindow;

// Enables File, Print, "&Price comparison form" and gives the Aisles page's "Print this floorplan" button
// the floor plan printout of the shown plan, with the Options dialog's colour and arrow preferences.
void installPriceFormAndFloorplan(MainWindow& main);
