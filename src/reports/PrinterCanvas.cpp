#include "PrinterCanvas.h"

#include "PainterCanvas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPrinter>
#include <QTemporaryFile>

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace reports {

namespace {

[[noreturn]] void fail(const QString& text) {
    throw std::runtime_error(text.toLocal8Bit().toStdString());
}

// The temporary file is private to its owner; the finished document gets the access an older file of
// that name had, or else what a newly written file gets.
void givePermissionsOfANewFile(const QString& partial, const QString& target) {
    const QByteArray path = QFile::encodeName(partial);
    struct stat old {};
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        ::chmod(path.constData(), old.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(path.constData(), 0666 & ~mask);
}

} // namespace

PrinterCanvas::PrinterCanvas(QPrinter& printer) : printer_(printer) {}

PrinterCanvas::~PrinterCanvas() {
    if (painter_.isActive())
        abort();
}

void PrinterCanvas::beginDocument(const QString& title) {
    printer_.setDocName(title);
    targetFile_ = printer_.outputFormat() == QPrinter::PdfFormat ? printer_.outputFileName() : QString();
    if (!targetFile_.isEmpty()) {
        // Written under a temporary name in the same folder, so the rename at the end cannot cross file
        // systems and an old file of that name stays until the new one is complete.
        const QFileInfo target(targetFile_);
        QTemporaryFile partial(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                               QStringLiteral(".XXXXXX"));
        partial.setAutoRemove(false);
        if (!partial.open())
            fail(QStringLiteral("The file \"%1\" cannot be written: %2")
                     .arg(QDir::toNativeSeparators(targetFile_), partial.errorString()));
        partialFile_ = partial.fileName();
        partial.close();
        printer_.setOutputFileName(partialFile_);
    }
    if (!painter_.begin(&printer_)) {
        dropPartialFile();
        fail(targetFile_.isEmpty()
                 ? QStringLiteral("The printer \"%1\" cannot print.").arg(printer_.printerName())
                 : QStringLiteral("The file \"%1\" cannot be written.")
                       .arg(QDir::toNativeSeparators(targetFile_)));
    }
    // The printer's paint engine outlives the job and keeps the pen and font of the last one, while a painter
    // that begins takes them for its defaults and would not pass equal values on: the first texts of a job
    // came out in the colour of the report before. Values that differ from what the job draws with go first.
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::NoBrush);
    QFont other = font_;
    other.setPointSizeF(font_.pointSizeF() > 0 ? font_.pointSizeF() + 1 : 13);
    painter_.setFont(other);
    canvas_ = std::make_unique<PainterCanvas>(painter_, size());
    canvas_->setPenColor(penColor_);
    canvas_->setPenWidth(penWidth_);
    canvas_->setPenStyle(penStyle_);
    canvas_->setBrushColor(brushColor_);
    canvas_->setBrushStyle(brushStyle_);
    canvas_->setFont(font_);
    canvas_->setFontColor(fontColor_);
}

void PrinterCanvas::endDocument() {
    drawing();
    canvas_.reset();
    const bool ended = painter_.end() && printer_.printerState() != QPrinter::Error;
    if (!ended) {
        dropPartialFile();
        fail(QStringLiteral("The printer reported an error; the document was not printed."));
    }
    if (partialFile_.isEmpty())
        return;
    printer_.setOutputFileName(targetFile_);
    givePermissionsOfANewFile(partialFile_, targetFile_);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(partialFile_).toStdString(),
                            QFile::encodeName(targetFile_).toStdString(), error);
    if (error) {
        dropPartialFile();
        fail(QStringLiteral("The file \"%1\" cannot be written: %2")
                 .arg(QDir::toNativeSeparators(targetFile_), QString::fromStdString(error.message())));
    }
    partialFile_.clear();
}

void PrinterCanvas::newPage() {
    drawing();
    if (!printer_.newPage())
        fail(QStringLiteral("The printer reported an error; the document was not printed."));
}

void PrinterCanvas::abort() {
    canvas_.reset();
    if (painter_.isActive()) {
        printer_.abort();
        painter_.end();
    }
    dropPartialFile();
}

void PrinterCanvas::dropPartialFile() {
    if (partialFile_.isEmpty())
        return;
    // The printer is idle again, so it takes back the name the user chose for the next job.
    printer_.setOutputFileName(targetFile_);
    QFile::remove(partialFile_);
    partialFile_.clear();
}

PainterCanvas& PrinterCanvas::drawing() {
    if (!canvas_)
        fail(QStringLiteral("The document has not begun."));
    return *canvas_;
}

QSize PrinterCanvas::size() const {
    return printer_.pageLayout().paintRectPixels(printer_.resolution()).size();
}

QSize PrinterCanvas::resolution() const {
    return QSize(printer_.logicalDpiX(), printer_.logicalDpiY());
}

void PrinterCanvas::setPenColor(const QColor& color) {
    penColor_ = color;
    if (canvas_)
        canvas_->setPenColor(color);
}

void PrinterCanvas::setPenWidth(int width) {
    penWidth_ = width < 0 ? 0 : width;
    if (canvas_)
        canvas_->setPenWidth(width);
}

void PrinterCanvas::setPenStyle(PenStyle style) {
    penStyle_ = style;
    if (canvas_)
        canvas_->setPenStyle(style);
}

void PrinterCanvas::setBrushColor(const QColor& color) {
    brushColor_ = color;
    if (canvas_)
        canvas_->setBrushColor(color);
}

void PrinterCanvas::setBrushStyle(BrushStyle style) {
    brushStyle_ = style;
    if (canvas_)
        canvas_->setBrushStyle(style);
}

void PrinterCanvas::setFont(const QFont& font) {
    font_ = font;
    metrics_.reset();
    if (canvas_)
        canvas_->setFont(font);
}

void PrinterCanvas::setFontColor(const QColor& color) {
    fontColor_ = color;
    if (canvas_)
        canvas_->setFontColor(color);
}

void PrinterCanvas::setPixel(int x, int y, const QColor& color) {
    drawing().setPixel(x, y, color);
}

void PrinterCanvas::moveTo(int x, int y) {
    drawing().moveTo(x, y);
}

void PrinterCanvas::lineTo(int x, int y) {
    drawing().lineTo(x, y);
}

void PrinterCanvas::rectangle(int left, int top, int right, int bottom) {
    drawing().rectangle(left, top, right, bottom);
}

void PrinterCanvas::fillRect(int left, int top, int right, int bottom) {
    drawing().fillRect(left, top, right, bottom);
}

void PrinterCanvas::ellipse(int left, int top, int right, int bottom) {
    drawing().ellipse(left, top, right, bottom);
}

void PrinterCanvas::textOut(int x, int y, const QString& text) {
    drawing();
    // Reports draw hundreds of thousands of plain texts: straight on the painter, with the font measured
    // once, instead of saving and restoring the painter around each.
    painter_.setFont(font_);
    painter_.setPen(fontColor_);
    painter_.drawText(QPoint(x, y + metrics().ascent()), text);
}

void PrinterCanvas::textRect(const QRect& clip, int x, int y, const QString& text) {
    drawing().textRect(clip, x, y, text);
}

void PrinterCanvas::rotatedText(int x, int y, int degrees, const QString& text, const QRect& clip) {
    drawing().rotatedText(x, y, degrees, text, clip);
}

const QFontMetrics& PrinterCanvas::metrics() const {
    // Measured against the printer, so a point size counts in printer dots before and after the job began.
    if (!metrics_)
        metrics_.emplace(font_, &printer_);
    return *metrics_;
}

int PrinterCanvas::textWidth(const QString& text) const {
    return metrics().horizontalAdvance(text);
}

int PrinterCanvas::textHeight(const QString& text) const {
    Q_UNUSED(text);
    return metrics().height();
}

} // namespace reports
