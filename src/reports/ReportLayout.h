#pragma once

#include <QFont>
#include <QLocale>
#include <QString>

class Canvas;

namespace reports {

// The integer nearest to x, a half going to the even neighbour.
int nearest(double x);

// A price or amount as printed: fixed point with two decimals, at most seven significant digits, in the
// locale's decimal separator and without group separators.
QString amountText(double value, const QLocale& locale = QLocale());
// The grand total as printed: the locale's currency format with two decimals.
QString currencyText(double value, const QLocale& locale = QLocale());

// The page state of one print job: a grid of text lines measured in the report's font, the margins, and the
// operations every report draws its rows with. Coordinates are device dots of the printable area.
class ReportLayout {
public:
    // Takes the page size from the canvas; the report sets the line height and margins once its job has
    // begun and its font is in the canvas.
    explicit ReportLayout(Canvas& canvas);

    Canvas& canvas() const { return *canvas_; }

    int LineHeight = 0;
    int Line = 1;       // current text line of the page, 1-based
    int PageNumber = 1; // number of the next page heading
    int LeftMargin = 0;
    int RightMargin = 0;
    int TopMargin = 0;
    int BottomMargin = 0;
    bool FirstShop = false;
    int PageWidth = 0;
    int PageHeight = 0;

    // Printed width and height of a text template in the canvas's current font.
    int width(const QString& text) const;
    int height(const QString& text) const;

    int LineTop() const { return LineTop(Line); }
    int LineTop(int line) const { return line * LineHeight + TopMargin; }

    // A line across the text area at the current line's top; it takes a line of its own.
    void RuleAcross();
    // A line from x1 to x2 just above the current line's text; the line does not advance.
    void RowRule(int x1, int x2);
    // Text on the current line whose first "." stands at x; without a "." the text is centred on x.
    void DecimalText(int x, const QString& text);
    // Text at x on the current line; an empty text draws nothing.
    void TextAt(int x, const QString& text);
    // Text at x on the current line, cut with an ellipsis where it would run into the next column, which
    // starts at `limit`; a cut text keeps a blank's width before it.
    void TextUpTo(int x, int limit, const QString& text);
    // The text as TextUpTo draws it: whole when it fits, else its longest start that fits with "…", else
    // nothing.
    QString fitted(const QString& text, int x, int limit) const;
    // Where DecimalText(x, text) starts the text.
    int DecimalLeft(int x, const QString& text) const;
    void NextLine() { ++Line; }

    // The page-break test before a row (needed = 0) or a block that needs that many more lines: true when
    // the current line's top lies below the bottom limit. Equality does not break.
    bool NeedsNewPage(int needed = 0) const;
    // Ends the page, starts the next one and goes to line 1.
    void NewPage();

private:
    Canvas* canvas_;
};

// Bold or italic for the texts drawn while it lives; the font before it comes back afterwards.
class StyleScope {
public:
    enum Style { Bold, Italic };
    StyleScope(ReportLayout& layout, Style style);
    ~StyleScope();
    StyleScope(const StyleScope&) = delete;
    StyleScope& operator=(const StyleScope&) = delete;

private:
    Canvas& canvas_;
    QFont saved_;
};

} // namespace reports
