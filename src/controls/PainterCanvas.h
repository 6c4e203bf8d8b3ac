#pragma once

#include "Canvas.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

// The canvas over a painter: the screen, a QImage or a QPrinter. Antialiasing stays off so that lines,
// rectangles and pixels land on exact device pixels.
class PainterCanvas final : public Canvas {
public:
    // The painter must be active; size defaults to the painter's device.
    explicit PainterCanvas(QPainter& painter, QSize size = QSize())
        : painter_(painter), size_(size.isValid() ? size : deviceSize(painter)), font_(painter.font()) {
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
    }

    QSize size() const override { return size_; }
    QSize resolution() const override {
        const QPaintDevice* d = painter_.device();
        return d ? QSize(d->logicalDpiX(), d->logicalDpiY()) : QSize(96, 96);
    }

    void setPenColor(const QColor& color) override { penColor_ = color; }
    QColor penColor() const override { return penColor_; }
    void setPenWidth(int width) override { penWidth_ = width < 0 ? 0 : width; }
    int penWidth() const override { return penWidth_; }
    void setPenStyle(PenStyle style) override { penStyle_ = style; }

    void setBrushColor(const QColor& color) override { brushColor_ = color; }
    QColor brushColor() const override { return brushColor_; }
    void setBrushStyle(BrushStyle style) override { brushStyle_ = style; }

    void setFont(const QFont& font) override { font_ = font; }
    QFont font() const override { return font_; }
    void setFontColor(const QColor& color) override { fontColor_ = color; }

    void setPixel(int x, int y, const QColor& color) override {
        painter_.setPen(QPen(color, 0));
        painter_.drawPoint(x, y);
    }

    void moveTo(int x, int y) override { pos_ = QPoint(x, y); }
    void lineTo(int x, int y) override {
        if (penStyle_ != PenStyle::Clear) {
            applyPen();
            painter_.drawLine(pos_, QPoint(x, y));
        }
        pos_ = QPoint(x, y);
    }

    void rectangle(int left, int top, int right, int bottom) override {
        if (right <= left || bottom <= top)
            return;
        fillRect(left, top, right, bottom);
        if (penStyle_ == PenStyle::Clear)
            return;
        applyPen();
        painter_.setBrush(Qt::NoBrush);
        // A pen of width w is centred on the outline of pixels left .. right - 1.
        painter_.drawRect(QRectF(left, top, right - left - 1, bottom - top - 1));
    }

    void fillRect(int left, int top, int right, int bottom) override {
        if (brushStyle_ == BrushStyle::Clear || right <= left || bottom <= top)
            return;
        painter_.fillRect(QRect(left, top, right - left, bottom - top), brushColor_);
    }

    void ellipse(int left, int top, int right, int bottom) override {
        painter_.setPen(penStyle_ == PenStyle::Clear ? QPen(Qt::NoPen) : makePen());
        painter_.setBrush(brushStyle_ == BrushStyle::Clear ? QBrush(Qt::NoBrush) : QBrush(brushColor_));
        painter_.drawEllipse(QRectF(left, top, right - left - 1, bottom - top - 1));
        painter_.setBrush(Qt::NoBrush);
    }

    void textOut(int x, int y, const QString& text) override { drawText(x, y, 0, text, QRect()); }
    void textRect(const QRect& clip, int x, int y, const QString& text) override {
        if (clip.isEmpty())
            return;
        drawText(x, y, 0, text, clip);
    }
    void rotatedText(int x, int y, int degrees, const QString& text, const QRect& clip = QRect()) override {
        drawText(x, y, degrees, text, clip);
    }
    int textWidth(const QString& text) const override {
        return QFontMetrics(font_, painter_.device()).horizontalAdvance(text);
    }
    int textHeight(const QString& text) const override {
        Q_UNUSED(text);
        return QFontMetrics(font_, painter_.device()).height();
    }

    void newPage() override {
        if (auto* paged = dynamic_cast<QPagedPaintDevice*>(painter_.device()))
            paged->newPage();
    }

private:
    static QSize deviceSize(const QPainter& painter) {
        const QPaintDevice* d = painter.device();
        return d ? QSize(d->width(), d->height()) : QSize();
    }

    QPen makePen() const {
        QPen pen(penColor_, penWidth_);
        pen.setStyle(penStyle_ == PenStyle::Dot    ? Qt::DotLine
                     : penStyle_ == PenStyle::Dash ? Qt::DashLine
                                                   : Qt::SolidLine);
        // Dots stay dots: a square cap would stretch each into a dash.
        pen.setCapStyle(penStyle_ == PenStyle::Dot ? Qt::FlatCap : Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        return pen;
    }
    void applyPen() { painter_.setPen(makePen()); }

    void drawText(int x, int y, int degrees, const QString& text, const QRect& clip) {
        painter_.save();
        if (!clip.isEmpty())
            painter_.setClipRect(clip);
        painter_.setFont(font_);
        painter_.setPen(fontColor_);
        painter_.translate(x, y);
        if (degrees != 0)
            painter_.rotate(-degrees);
        const QFontMetrics fm(font_, painter_.device());
        painter_.drawText(QPoint(0, fm.ascent()), text);
        painter_.restore();
    }

    QPainter& painter_;
    QSize size_;
    QColor penColor_ = Qt::black;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    QColor brushColor_ = Qt::white;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    QFont font_;
    QColor fontColor_ = Qt::black;
    QPoint pos_;
};
