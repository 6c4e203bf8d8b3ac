#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QPrinter;
class QUrl;
class QWidget;

namespace ui {

// File, folder, font, colour, print, printer set-up and text input dialogs, behind one replaceable service
// like MessageService. Each returns nothing (or false) when the user cancels.
class DialogService {
public:
    virtual ~DialogService() = default;

    virtual std::optional<QString> openFileName(QWidget* parent, const QString& caption,
                                                const QString& folder, const QString& filter) = 0;
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& caption,
                                                const QString& folder, const QString& filter) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& caption) = 0;
    virtual std::optional<QColor> colour(QWidget* parent, const QColor& initial, const QString& caption) = 0;
    virtual bool print(QWidget* parent, QPrinter& printer) = 0;
    virtual bool pageSetup(QWidget* parent, QPrinter& printer) = 0;
    // Shows the print preview of what `paint` draws on the printer it is given, under a window title that
    // names the document; printing from the preview runs `paint` on the chosen printer. Returns true when the
    // user printed.
    virtual bool printPreview(QWidget* parent, QPrinter& printer, const QString& title,
                              const std::function<void(QPrinter&)>& paint) = 0;
    virtual std::optional<QString> inputText(QWidget* parent, const QString& caption, const QString& prompt,
                                             const QString& initial) = 0;

    // Opens a web address in the user's browser; false when no browser took it.
    virtual bool openUrl(QWidget* parent, const QUrl& url) = 0;

    static DialogService& instance();
    static void install(DialogService* service); // not owned; nullptr goes back to the real dialogs
};

} // namespace ui
