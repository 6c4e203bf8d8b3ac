#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The font of one printed report: family, size in points, text colour, styles and character set number, as
// the settings file keeps them. The reports draw with toFont() and colour().
struct ReportFont {
    QString name = QStringLiteral("Arial");
    int size = 8;
    int colour = 0; // red + green * 256 + blue * 65536
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int script = 1;

    QFont toFont() const;
    QColor color() const { return QColor(colour % 256, (colour % 65536) / 256, colour / 65536); }
    // Takes family, size and styles from a font dialog's answer; colour and script stay.
    void takeFont(const QFont& font);
    void setColor(const QColor& c) { colour = c.red() + c.green() * 256 + c.blue() * 65536; }

    bool operator==(const ReportFont&) const = default;
};

// The five report fonts, in the order the settings file writes them.
enum ReportFontId {
    FridgeListFont,
    ShoppingListFont,
    MasterItemListFont,
    PriceComparisonFont,
    FloorplanFont
};
constexpr int kReportFontCount = 5;
