#include "ReportFont.h"

QFont ReportFont::toFont() const {
    QFont font(name);
    font.setPointSize(size > 0 ? size : 8);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeout);
    return font;
}

void ReportFont::takeFont(const QFont& font) {
    name = font.family();
    if (font.pointSize() > 0)
        size = font.pointSize();
    bold = font.bold();
    italic = font.italic();
    underline = font.underline();
    strikeout = font.strikeOut();
}
