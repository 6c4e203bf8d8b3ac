#include "DialogService.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace ui {

namespace {

// Shows the real common dialogs.
class StandardDialogService final : public DialogService {
public:
    std::optional<QString> openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) override {
        const QString name = QFileDialog::getOpenFileName(parent, caption, folder, filter);
        if (name.isEmpty())
            return std::nullopt;
        return name;
    }

    std::optional<QString> saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) override {
        const QString name = QFileDialog::getSaveFileName(parent, caption, folder, filter);
        if (name.isEmpty())
            return std::nullopt;
        return name;
    }

    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& caption) override {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, initial, parent, caption);
        if (!ok)
            return std::nullopt;
        return chosen;
    }

    std::optional<QColor> colour(QWidget* parent, const QColor& initial, const QString& caption) override {
        const QColor chosen = QColorDialog::getColor(initial, parent, caption);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    }

    bool print(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    bool pageSetup(QWidget* parent, QPrinter& printer) override {
        QPageSetupDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    bool printPreview(QWidget* parent, QPrinter& printer, const QString& title,
                      const std::function<void(QPrinter&)>& paint) override {
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.setWindowTitle(title + QStringLiteral(" - Print preview"));
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* target) { paint(*target); });
        return dialog.exec() == QDialog::Accepted;
    }

    std::optional<QString> inputText(QWidget* parent, const QString& caption, const QString& prompt,
                                     const QString& initial) override {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }

    bool openUrl(QWidget*, const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

DialogService* installed = nullptr;

} // namespace

DialogService& DialogService::instance() {
    static StandardDialogService real;
    return installed ? *installed : real;
}

void DialogService::install(DialogService* service) {
    installed = service;
}

} // namespace ui
