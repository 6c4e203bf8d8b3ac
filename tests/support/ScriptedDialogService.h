#pragma once

#include "DialogService.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <deque>
#include <vector>

// Records every dialog request instead of showing it and answers from a queue the test fills; with an empty
// queue every dialog is cancelled. Installs itself for its lifetime.
class ScriptedDialogService final : public ui::DialogService {
public:
    enum class Kind { OpenFile, SaveFile, Font, Colour, Print, PageSetup, PrintPreview, InputText, OpenUrl };
    struct Call {
        Kind kind;
        QString caption; // the address for a web address opened; the document title of a print preview
        QString prompt;  // folder for file dialogs, prompt for text input, initial font or colour; the
                         // printer's output file for print dialogs
        QString filter;  // file filter; initial text for text input
    };

    ScriptedDialogService();
    ~ScriptedDialogService() override;
    ScriptedDialogService(const ScriptedDialogService&) = delete;
    ScriptedDialogService& operator=(const ScriptedDialogService&) = delete;

    std::optional<QString> openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& caption) override;
    std::optional<QColor> colour(QWidget* parent, const QColor& initial, const QString& caption) override;
    bool print(QWidget* parent, QPrinter& printer) override;
    bool pageSetup(QWidget* parent, QPrinter& printer) override;
    // Accepting the preview prints from it: the drawing runs once on the printer the test set up.
    bool printPreview(QWidget* parent, QPrinter& printer, const QString& title,
                      const std::function<void(QPrinter&)>& paint) override;
    std::optional<QString> inputText(QWidget* parent, const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    // Records the address; the browser always takes it, and no answer is used up.
    bool openUrl(QWidget* parent, const QUrl& url) override;
    // The web addresses opened so far, in order.
    QStringList openedUrls() const;

    // A file name or text for the next file or input dialog.
    void setNextAnswer(const QString& text) { answers_.push_back(QVariant(text)); }
    // A font for the next font dialog.
    void setNextAnswer(const QFont& font) { answers_.push_back(QVariant(font)); }
    // A colour for the next colour dialog.
    void setNextAnswer(const QColor& colour) { answers_.push_back(QVariant(colour)); }
    // Accept (true) or cancel (false) the next print, page set-up or print preview dialog.
    void setNextAnswer(bool accept) { answers_.push_back(QVariant(accept)); }
    // The next dialog, whatever it is, is cancelled.
    void setNextCancel() { answers_.push_back(QVariant()); }

    const std::vector<Call>& calls() const { return calls_; }
    int count() const { return static_cast<int>(calls_.size()); }
    void clear() {
        calls_.clear();
        answers_.clear();
    }

private:
    QVariant take();

    std::vector<Call> calls_;
    std::deque<QVariant> answers_;
};
