#pragma once

#include "Canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include <memory>
#include <optional>

class PainterCanvas;
class QPrinter;

namespace reports {

// The canvas of a print job on a QPrinter: device units are printer dots of the printable area, point sizes
// scale with the printer's resolution. Pen, brush and font may be set before the document begins. A job
// that fails or is left unfinished is aborted; a PDF file appears under the printer's output name only after
// the document ended well (it is written beside it under a temporary name until then).
class PrinterCanvas final : public Canvas {
public:
    explicit PrinterCanvas(QPrinter& printer);
    ~PrinterCanvas() override; // aborts a job that was begun and not ended
    PrinterCanvas(const PrinterCanvas&) = delete;
    PrinterCanvas& operator=(const PrinterCanvas&) = delete;

    void beginDocument(const QString& title) override;
    void endDocument() override;
    void newPage() override;
    // Stops the job: the printer is told to abort and a partly written PDF file is removed.
    void abort();
    bool active() const { return painter_.isActive(); }

    QSize size() const override;
    QSize resolution() const override;
    void setPenColor(const QColor& color) override;
    QColor penColor() const override { return penColor_; }
    void setPenWidth(int width) override;
    int penWidth() const override { return penWidth_; }
    void setPenStyle(PenStyle style) override;
    void setBrushColor(const QColor& color) override;
    QColor brushColor() const override { return brushColor_; }
    void setBrushStyle(BrushStyle style) override;
    void setFont(const QFont& font) override;
    QFont font() const override { return font_; }
    void setFontColor(const QColor& color) override;
    void setPixel(int x, int y, const QColor& color) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void fillRect(int left, int top, int right, int bottom) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void textOut(int x, int y, const QString& text) override;
    void textRect(const QRect& clip, int x, int y, const QString& text) override;
    void rotatedText(int x, int y, int degrees, const QString& text, const QRect& clip = QRect()) override;
    int textWidth(const QString& text) const override;
    int textHeight(const QString& text) const override;

private:
    PainterCanvas& drawing(); // throws when the document has not begun
    void dropPartialFile();
    const QFontMetrics& metrics() const;

    QPrinter& printer_;
    QPainter painter_;
    std::unique_ptr<PainterCanvas> canvas_;
    QString targetFile_;  // the PDF file the user chose
    QString partialFile_; // where the job writes until it ends well
    QColor penColor_ = Qt::black;
    int penWidth_ = 0;
    PenStyle penStyle_ = PenStyle::Solid;
    QColor brushColor_ = Qt::white;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    QFont font_;
    mutable std::optional<QFontMetrics> metrics_; // of font_ on the printer
    QColor fontColor_ = Qt::black;
};

} // namespace reports
