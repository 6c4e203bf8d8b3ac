#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

// A drawing surface as the floor plan and the printed reports use it: a current pen, brush, font and font
// colour, and the few primitives they draw with. Coordinates are device pixels; rectangles given by their
// edges (left, top, right, bottom) exclude the right and bottom edge. The screen, an image and the printer
// implement it over a painter; tests implement it to record the calls.
class Canvas {
public:
    enum class PenStyle { Solid, Dot, Dash, Clear };
    enum class BrushStyle { Solid, Clear };

    virtual ~Canvas() = default;

    // Size of the drawable area in pixels and the device's resolution in dots per inch.
    virtual QSize size() const = 0;
    virtual QSize resolution() const = 0;

    // Pen: colour, width in pixels (0 is the thinnest line the device draws) and style.
    virtual void setPenColor(const QColor& color) = 0;
    virtual QColor penColor() const = 0;
    virtual void setPenWidth(int width) = 0;
    virtual int penWidth() const = 0;
    virtual void setPenStyle(PenStyle style) = 0;

    // Brush used by rectangles, ellipses and fills.
    virtual void setBrushColor(const QColor& color) = 0;
    virtual QColor brushColor() const = 0;
    virtual void setBrushStyle(BrushStyle style) = 0;

    // Font of the texts and its colour; texts are drawn without background.
    virtual void setFont(const QFont& font) = 0;
    virtual QFont font() const = 0;
    virtual void setFontColor(const QColor& color) = 0;

    virtual void setPixel(int x, int y, const QColor& color) = 0;

    // Lines: moveTo sets the pen position, lineTo draws to the point and moves there.
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual void line(int x1, int y1, int x2, int y2) {
        moveTo(x1, y1);
        lineTo(x2, y2);
    }

    // Outlined with the pen and filled with the brush.
    virtual void rectangle(int left, int top, int right, int bottom) = 0;
    // Filled with the brush, no outline.
    virtual void fillRect(int left, int top, int right, int bottom) = 0;
    // Bounded by the rectangle; outlined with the pen and filled with the brush.
    virtual void ellipse(int left, int top, int right, int bottom) = 0;

    // The text's top-left corner at (x, y).
    virtual void textOut(int x, int y, const QString& text) = 0;
    // As textOut, clipped to the rectangle.
    virtual void textRect(const QRect& clip, int x, int y, const QString& text) = 0;
    // The text's top-left corner at (x, y), turned counter-clockwise by the angle in degrees (90 reads
    // upwards); clipped to the rectangle unless it is empty.
    virtual void rotatedText(int x, int y, int degrees, const QString& text, const QRect& clip = QRect()) = 0;
    virtual int textWidth(const QString& text) const = 0;
    virtual int textHeight(const QString& text) const = 0;

    // Ends the page and starts the next one (printers only; other canvases ignore it).
    virtual void newPage() = 0;

    // A printed document: begun with its title (the job's name in the print queue) before the first
    // drawing, ended after the last. Screens and images have no document and ignore both.
    virtual void beginDocument(const QString& title) { Q_UNUSED(title); }
    virtual void endDocument() {}

    // The rectangle that Canvas calls take as (left, top, right, bottom), right and bottom excluded.
    static QRect edges(int left, int top, int right, int bottom) {
        return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
};
