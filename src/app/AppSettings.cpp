#include "AppSettings.h"

#include "IniFile.h"

#include <QDir>

#include <algorithm>

namespace {

const QString kFontSections[kReportFontCount] = {
    QStringLiteral("ReportFontFL"), QStringLiteral("ReportFontSL"), QStringLiteral("ReportFontMIL"),
    QStringLiteral("ReportFontPC"), QStringLiteral("ReportFontFP"),
};

// Hand-edited colour and style values are parsed from a bounded copy; the program never writes longer ones.
constexpr int kMaxParsedLength = 60;

const QString kPrefs = QStringLiteral("Prefs");

// How many notes lines in a row may be missing from the file before the lines after them are left out.
constexpr int kMaxMissingNotes = 1000;

// Radio buttons of one group: switching one on switches the others off; switching one off touches only it.
void SetRadio(std::initializer_list<bool*> group, bool* button, bool on) {
    if (on)
        for (bool* b : group)
            *b = false;
    *button = on;
}

void ReadFont(const IniFile& ini, const QString& section, ReportFont& font) {
    font.name = ini.readString(section, QStringLiteral("Name"), font.name);
    font.size = ini.readInteger(section, QStringLiteral("Size"), font.size);
    font.colour = ParseColourValue(ini.readString(section, QStringLiteral("Colour"), QString()), font.colour);
    font.bold = font.italic = font.underline = font.strikeout = false;
    ApplyStyleList(ini.readString(section, QStringLiteral("Style"), QString()), font);
    font.script = ini.readInteger(section, QStringLiteral("Script"), font.script);
}

void WriteFont(IniFile& ini, const QString& section, const ReportFont& font) {
    ini.writeString(section, QStringLiteral("Name"), font.name);
    ini.writeInteger(section, QStringLiteral("Size"), font.size);
    ini.writeString(section, QStringLiteral("Colour"), ColourValueText(font.colour));
    ini.writeString(section, QStringLiteral("Style"), StyleListText(font));
    ini.writeInteger(section, QStringLiteral("Script"), font.script);
}

void ReadSortColumn(const IniFile& ini, const QString& key, int def, GridSettings& grid) {
    const int value = ini.readInteger(QStringLiteral("SortCol"), key, def);
    grid.sortColumn = (value < 0 || value >= grid.widths.size()) ? def : value;
}

void ReadWidths(const IniFile& ini, const QString& section, GridSettings& grid) {
    for (int i = 0; i < grid.widths.size(); ++i) {
        const int width = ini.readInteger(section, QStringLiteral("Width%1").arg(i), -1);
        if (width >= 0)
            grid.widths[i] = width;
    }
}

void WriteWidths(IniFile& ini, const QString& section, const GridSettings& grid) {
    for (int i = 0; i < grid.widths.size(); ++i)
        ini.writeInteger(section, QStringLiteral("Width%1").arg(i), grid.widths[i]);
}

} // namespace

namespace {

QString Reason(const QString& reason) {
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return why.isEmpty() ? QStringLiteral("unknown error") : why;
}

} // namespace

QString SettingsNotSavedMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral(
               "The settings could not be saved to \"%1\": %2.\r\nThe settings file was left as it was.")
        .arg(QDir::toNativeSeparators(fileName), Reason(reason));
}

QString SettingsNotReadMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("The settings file \"%1\" cannot be read: %2.\r\nGrocelle starts with the default "
                          "settings and leaves the file as it is; the settings of this session will not be "
                          "saved.")
        .arg(QDir::toNativeSeparators(fileName), Reason(reason));
}

int ParseColourValue(const QString& text, int def) {
    const QStringList parts = text.left(kMaxParsedLength).split(QLatin1Char(','));
    if (parts.size() < 3)
        return def;
    int rgb[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        rgb[i] = parts[i].toInt(&ok, 10);
        if (!ok || parts[i].isEmpty() || !parts[i][0].isDigit() || rgb[i] < 0 || rgb[i] > 255)
            return def;
    }
    return rgb[0] + rgb[1] * 256 + rgb[2] * 65536;
}

QString ColourValueText(int colour) {
    return QStringLiteral("%1,%2,%3").arg(colour % 256).arg((colour % 65536) / 256).arg(colour / 65536);
}

QString StyleListText(const ReportFont& font) {
    QStringList names;
    if (font.bold)
        names << QStringLiteral("Bold");
    if (font.italic)
        names << QStringLiteral("Italic");
    if (font.underline)
        names << QStringLiteral("Underline");
    if (font.strikeout)
        names << QStringLiteral("Strikeout");
    return names.join(QLatin1Char(','));
}

void ApplyStyleList(const QString& text, ReportFont& font) {
    const QStringList parts = text.left(kMaxParsedLength).split(QLatin1Char(','));
    for (const QString& part : parts) {
        if (part.compare(QLatin1String("Bold"), Qt::CaseInsensitive) == 0)
            font.bold = true;
        else if (part.compare(QLatin1String("Italic"), Qt::CaseInsensitive) == 0)
            font.italic = true;
        else if (part.compare(QLatin1String("Underline"), Qt::CaseInsensitive) == 0)
            font.underline = true;
        else if (part.compare(QLatin1String("Strikeout"), Qt::CaseInsensitive) == 0)
            font.strikeout = true;
    }
}

void ReadSettings(const IniFile& ini, AppSettings& s, const QRect& desktop,
                  const QString& defaultBackupFolder) {
    const QString window = QStringLiteral("Window");
    s.maximized = ini.readBool(window, QStringLiteral("Maximized"), false);
    if (!s.maximized) {
        int left = ini.readInteger(window, QStringLiteral("Left"), s.bounds.left());
        int top = ini.readInteger(window, QStringLiteral("Top"), s.bounds.top());
        int width = ini.readInteger(window, QStringLiteral("Width"), s.bounds.width());
        int height = ini.readInteger(window, QStringLiteral("Height"), s.bounds.height());
        // A hand-edited size is no larger than the desktop (a huge window would take gigabytes of memory),
        // and one of no size keeps the window's own.
        if (width <= 0)
            width = s.bounds.width();
        if (height <= 0)
            height = s.bounds.height();
        if (!desktop.isEmpty()) {
            width = std::min(width, desktop.width());
            height = std::min(height, desktop.height());
        }
        // Keep the window reachable: an edge saved on a monitor that is gone brings it back to the desktop.
        const int desktopRight = desktop.left() + desktop.width();
        const int desktopBottom = desktop.top() + desktop.height();
        if (qint64(left) + width < desktop.left() + 10 || left > desktopRight - 10)
            left = desktop.left();
        if (top < desktop.top() + 10 || top > desktopBottom - 10)
            top = desktop.top();
        s.bounds = QRect(left, top, width, height);
    }

    ReadSortColumn(ini, QStringLiteral("ShoppingGrid"), 7, s.shoppingGrid);
    ReadSortColumn(ini, QStringLiteral("ItemsGrid"), 1, s.itemsGrid);
    ReadWidths(ini, QStringLiteral("ShoppingGrid"), s.shoppingGrid);
    ReadWidths(ini, QStringLiteral("ItemsGrid"), s.itemsGrid);
    ReadWidths(ini, QStringLiteral("ShopGrid"), s.shopGrid);

    const ReportFont defaults;
    if (ini.sectionExists(QStringLiteral("ReportFont"))) {
        // Files of earlier versions kept one font for every report.
        ReportFont font = defaults;
        ReadFont(ini, QStringLiteral("ReportFont"), font);
        s.fonts.fill(font);
    } else {
        for (int i = 0; i < kReportFontCount; ++i) {
            s.fonts[i] = defaults;
            ReadFont(ini, kFontSections[i], s.fonts[i]);
        }
    }

    SetRadio({&s.flSortCat, &s.flSortProd}, &s.flSortCat,
             ini.readBool(kPrefs, QStringLiteral("FLSortCat"), true));
    if (!s.flSortCat)
        SetRadio({&s.flSortCat, &s.flSortProd}, &s.flSortProd, true);
    s.flCat = ini.readBool(kPrefs, QStringLiteral("FLCat"), false);
    s.flCols = std::clamp(ini.readInteger(kPrefs, QStringLiteral("FLCols"), 3), 1, 10);
    s.slAddr = ini.readBool(kPrefs, QStringLiteral("SLAddr"), false);
    s.slNewPage = ini.readBool(kPrefs, QStringLiteral("SLNewPage"), true);
    const auto ml = {&s.mlSortShop, &s.mlSortCat, &s.mlSortProd};
    SetRadio(ml, &s.mlSortShop, ini.readBool(kPrefs, QStringLiteral("MLSortShop"), true));
    SetRadio(ml, &s.mlSortCat, ini.readBool(kPrefs, QStringLiteral("MLSortCat"), false));
    SetRadio(ml, &s.mlSortProd, ini.readBool(kPrefs, QStringLiteral("MLSortProd"), false));
    s.mlGrid = ini.readBool(kPrefs, QStringLiteral("MLGridCB"), false);
    const auto pcf = {&s.pcfSortCat, &s.pcfSortProd};
    SetRadio(pcf, &s.pcfSortCat, ini.readBool(kPrefs, QStringLiteral("PCFSortCat"), true));
    SetRadio(pcf, &s.pcfSortProd, ini.readBool(kPrefs, QStringLiteral("PCFSortProd"), false));
    const auto fp = {&s.fpColour, &s.fpBlack};
    SetRadio(fp, &s.fpColour, ini.readBool(kPrefs, QStringLiteral("FPColor"), true));
    SetRadio(fp, &s.fpBlack, ini.readBool(kPrefs, QStringLiteral("FPBlack"), false));
    s.fpDot = ini.readBool(kPrefs, QStringLiteral("FPDot"), false);
    s.printPreview = ini.readBool(kPrefs, QStringLiteral("PrintPreview"), false);

    // An empty folder (only possible by hand) cannot be created or backed up into: use the default instead.
    s.backupFolder =
        ini.readString(QStringLiteral("DB"), QStringLiteral("BackupFolder"), defaultBackupFolder);
    if (s.backupFolder.isEmpty())
        s.backupFolder = defaultBackupFolder;

    s.updates = ini.readBool(kPrefs, QStringLiteral("Updates"), true);

    const QString optimize = QStringLiteral("Optimize");
    s.cheapTrip = ini.readBool(optimize, QStringLiteral("CheapTrip"), true);
    s.cheapItems = ini.readBool(optimize, QStringLiteral("CheapItems"), false);
    s.details = ini.readBool(optimize, QStringLiteral("Details"), true);

    const QString notes = QStringLiteral("Notes");
    // A count edited far beyond the lines present must not produce endless empty lines: stop at the last one.
    // Missing lines between read as empty, but a line numbered far beyond the lines present (a hand edit like
    // "N2000000000") would still mean billions of them, so it is left out.
    const QStringList keys = ini.keys(notes);
    const qint64 reachable = qint64(keys.size()) + kMaxMissingNotes;
    int last = 0;
    for (const QString& key : keys) {
        int n = 0;
        if (key.size() > 1 && key[0].toUpper() == QLatin1Char('N') && IniFile::parseInteger(key.mid(1), n) &&
            n <= reachable)
            last = std::max(last, n);
    }
    const int count = std::min(ini.readInteger(notes, QStringLiteral("NumOf"), 0), last);
    s.notes.reserve(std::max(count, 0));
    for (int i = 1; i <= count; ++i)
        s.notes << ini.readString(notes, QStringLiteral("N%1").arg(i), QString());
}

void WriteSettings(IniFile& ini, const AppSettings& s, const QString& versionText) {
    ini.writeString(QStringLiteral("Info"), QStringLiteral("Version"), versionText);

    const QString window = QStringLiteral("Window");
    ini.writeBool(window, QStringLiteral("Maximized"), s.maximized);
    if (!s.maximized) {
        ini.writeInteger(window, QStringLiteral("Left"), s.bounds.left());
        ini.writeInteger(window, QStringLiteral("Top"), s.bounds.top());
        ini.writeInteger(window, QStringLiteral("Width"), s.bounds.width());
        ini.writeInteger(window, QStringLiteral("Height"), s.bounds.height());
    }

    ini.writeInteger(QStringLiteral("SortCol"), QStringLiteral("ShoppingGrid"), s.shoppingGrid.sortColumn);
    ini.writeInteger(QStringLiteral("SortCol"), QStringLiteral("ItemsGrid"), s.itemsGrid.sortColumn);
    WriteWidths(ini, QStringLiteral("ShoppingGrid"), s.shoppingGrid);
    WriteWidths(ini, QStringLiteral("ItemsGrid"), s.itemsGrid);
    WriteWidths(ini, QStringLiteral("ShopGrid"), s.shopGrid);

    ini.writeBool(kPrefs, QStringLiteral("FLSortCat"), s.flSortCat);
    ini.writeBool(kPrefs, QStringLiteral("FLCat"), s.flCat);
    ini.writeInteger(kPrefs, QStringLiteral("FLCols"), s.flCols);
    ini.writeBool(kPrefs, QStringLiteral("SLAddr"), s.slAddr);
    ini.writeBool(kPrefs, QStringLiteral("SLNewPage"), s.slNewPage);
    ini.writeBool(kPrefs, QStringLiteral("MLSortShop"), s.mlSortShop);
    ini.writeBool(kPrefs, QStringLiteral("MLSortCat"), s.mlSortCat);
    ini.writeBool(kPrefs, QStringLiteral("MLSortProd"), s.mlSortProd);
    ini.writeBool(kPrefs, QStringLiteral("MLGridCB"), s.mlGrid);
    ini.writeBool(kPrefs, QStringLiteral("PCFSortCat"), s.pcfSortCat);
    ini.writeBool(kPrefs, QStringLiteral("PCFSortProd"), s.pcfSortProd);
    ini.writeBool(kPrefs, QStringLiteral("FPColor"), s.fpColour);
    ini.writeBool(kPrefs, QStringLiteral("FPBlack"), s.fpBlack);
    ini.writeBool(kPrefs, QStringLiteral("FPDot"), s.fpDot);
    ini.writeBool(kPrefs, QStringLiteral("PrintPreview"), s.printPreview);

    ini.writeString(QStringLiteral("DB"), QStringLiteral("BackupFolder"), s.backupFolder);
    ini.writeBool(kPrefs, QStringLiteral("Updates"), s.updates);

    ini.eraseSection(QStringLiteral("ReportFont"));
    for (int i = 0; i < kReportFontCount; ++i)
        WriteFont(ini, kFontSections[i], s.fonts[i]);

    const QString optimize = QStringLiteral("Optimize");
    ini.writeBool(optimize, QStringLiteral("CheapTrip"), s.cheapTrip);
    ini.writeBool(optimize, QStringLiteral("CheapItems"), s.cheapItems);
    ini.writeBool(optimize, QStringLiteral("Details"), s.details);

    const QString notes = QStringLiteral("Notes");
    ini.eraseSection(notes);
    ini.writeInteger(notes, QStringLiteral("NumOf"), static_cast<int>(s.notes.size()));
    for (int i = 0; i < s.notes.size(); ++i)
        ini.writeString(notes, QStringLiteral("N%1").arg(i + 1), s.notes[i]);
}
