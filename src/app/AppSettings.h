#pragma once

#include "ReportFont.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>

class IniFile;

// The sort column and column widths of one grid; widths has one entry per column of the grid.
struct GridSettings {
    int sortColumn = 0;
    QList<int> widths;
};

// Everything the settings file keeps, as plain values. The main window fills it from its controls, the file
// is applied to it, and the result goes back into the controls; writing works the other way round.
struct AppSettings {
    bool maximized = false;
    QRect bounds; // the main window's position and size while it is not maximised

    GridSettings shoppingGrid{7, {}};
    GridSettings itemsGrid{1, {}};
    GridSettings shopGrid{0, {}};

    std::array<ReportFont, kReportFontCount> fonts{};

    // Report options, as the Options dialog's controls hold them.
    bool flSortCat = true;
    bool flSortProd = false;
    bool flCat = false;
    int flCols = 1;
    bool slAddr = false;
    bool slNewPage = false;
    bool mlSortShop = true;
    bool mlSortCat = false;
    bool mlSortProd = false;
    bool mlGrid = false;
    bool pcfSortCat = true;
    bool pcfSortProd = false;
    bool fpColour = true;
    bool fpBlack = false;
    bool fpDot = false;
    bool printPreview = false; // every report opens the print preview instead of the print dialog
    bool updates = false;

    QString backupFolder;

    // The optimizer's choices.
    bool cheapTrip = true;
    bool cheapItems = false;
    bool details = true;

    QStringList notes; // the shopping-list notes, one entry per line
};

// Applies the file to the settings in the order the program reads them. Keys that are missing keep the
// values already in `settings` where the file has no default of its own. `desktop` is the rectangle spanning
// the available area of all monitors: the window's size is kept within it and its position on it;
// `defaultBackupFolder` is used when the file names none (or an empty one).
void ReadSettings(const IniFile& ini, AppSettings& settings, const QRect& desktop,
                  const QString& defaultBackupFolder);

// Stores every setting into the loaded file contents, in the order the program writes them.
void WriteSettings(IniFile& ini, const AppSettings& settings, const QString& versionText);

// The error shown when the settings file could not be written; the old file is then still in place.
QString SettingsNotSavedMessage(const QString& fileName, const QString& reason);
// The warning shown at start-up when the settings file is there but cannot be read: the program runs with
// the default settings and leaves the file alone.
QString SettingsNotReadMessage(const QString& fileName, const QString& reason);

// Value forms shared with the tests.
int ParseColourValue(const QString& text, int def);
QString ColourValueText(int colour);
QString StyleListText(const ReportFont& font);
void ApplyStyleList(const QString& text, ReportFont& font);
