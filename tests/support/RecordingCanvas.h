#pragma once

#include "Canvas.h"

#include <QList>
#include <QStringList>

// Records every drawing call with the pen, brush and font in force, so tests can check exact positions. Text
// is measured as 6 pixels a character and 12 high, which keeps layouts independent of installed fonts.
class RecordingCanvas final : public Canvas {
public:
    struct Call {
        QString op;
        QList<int> args;
        QString text;
        QColor pen;
        int penWidth = 1;
        PenStyle penStyle = PenStyle::Solid;
        QColor brush;
        BrushStyle brushStyle = BrushStyle::Solid;
        QRect clip;
        int degrees = 0;
        QFont font;
    };

    explicit RecordingCanvas(QSize size = QSize(1000, 800), QSize resolution = QSize(96, 96))
        : size_(size), resolution_(resolution) {}

    QSize size() const override { return size_; }
    QSize resolution() const override { return resolution_; }
    void setPenColor(const QColor& c) override { pen_ = c; }
    QColor penColor() const override { return pen_; }
    void setPenWidth(int w) override { penWidth_ = w; }
    int penWidth() const override { return penWidth_; }
    void setPenStyle(PenStyle s) override { penStyle_ = s; }
    void setBrushColor(const QColor& c) override { brush_ = c; }
    QColor brushColor() const override { return brush_; }
    void setBrushStyle(BrushStyle s) override { brushStyle_ = s; }
    void setFont(const QFont& f) override { font_ = f; }
    QFont font() const override { return font_; }
    void setFontColor(const QColor&) override {}
    void setPixel(int x, int y, const QColor& c) override { record(QStringLiteral("pixel"), {x, y}).pen = c; }
    void moveTo(int x, int y) override {
        pos_ = QPoint(x, y);
        record(QStringLiteral("moveTo"), {x, y});
    }
    void lineTo(int x, int y) override {
        record(QStringLiteral("line"), {pos_.x(), pos_.y(), x, y});
        pos_ = QPoint(x, y);
    }
    void rectangle(int l, int t, int r, int b) override { record(QStringLiteral("rectangle"), {l, t, r, b}); }
    void fillRect(int l, int t, int r, int b) override { record(QStringLiteral("fill"), {l, t, r, b}); }
    void ellipse(int l, int t, int r, int b) override { record(QStringLiteral("ellipse"), {l, t, r, b}); }
    void textOut(int x, int y, const QString& text) override {
        record(QStringLiteral("text"), {x, y}).text = text;
    }
    void textRect(const QRect& clip, int x, int y, const QString& text) override {
        Call& c = record(QStringLiteral("textRect"), {x, y});
        c.text = text;
        c.clip = clip;
    }
    void rotatedText(int x, int y, int degrees, const QString& text, const QRect& clip) override {
        Call& c = record(QStringLiteral("rotatedText"), {x, y});
        c.text = text;
        c.clip = clip;
        c.degrees = degrees;
    }
    int textWidth(const QString& text) const override { return 6 * static_cast<int>(text.size()); }
    int textHeight(const QString&) const override { return 12; }
    void newPage() override { record(QStringLiteral("newPage"), {}); }
    void beginDocument(const QString& title) override { record(QStringLiteral("begin"), {}).text = title; }
    void endDocument() override { record(QStringLiteral("end"), {}); }

    QList<Call> calls;

    QList<Call> of(const QString& op) const {
        QList<Call> out;
        for (const Call& c : calls)
            if (c.op == op)
                out << c;
        return out;
    }

private:
    Call& record(const QString& op, QList<int> args) {
        Call c;
        c.op = op;
        c.args = std::move(args);
        c.pen = pen_;
        c.penWidth = penWidth_;
        c.penStyle = penStyle_;
        c.brush = brush_;
        c.brushStyle = brushStyle_;
        c.font = font_;
        calls << c;
        return calls.back();
    }

    QSize size_;
    QSize resolution_;
    QColor pen_ = Qt::black;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    QColor brush_ = Qt::white;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    QFont font_;
    QPoint pos_;
};
