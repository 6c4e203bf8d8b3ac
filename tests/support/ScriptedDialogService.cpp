#include "ScriptedDialogService.h"

#include <QPrinter>
#include <QUrl>

ScriptedDialogService::ScriptedDialogService() {
    ui::DialogService::install(this);
}

ScriptedDialogService::~ScriptedDialogService() {
    ui::DialogService::install(nullptr);
}

QVariant ScriptedDialogService::take() {
    if (answers_.empty())
        return {};
    QVariant v = answers_.front();
    answers_.pop_front();
    return v;
}

std::optional<QString> ScriptedDialogService::openFileName(QWidget*, const QString& caption,
                                                           const QString& folder, const QString& filter) {
    calls_.push_back({Kind::OpenFile, caption, folder, filter});
    const QVariant v = take();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QString> ScriptedDialogService::saveFileName(QWidget*, const QString& caption,
                                                           const QString& folder, const QString& filter) {
    calls_.push_back({Kind::SaveFile, caption, folder, filter});
    const QVariant v = take();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QFont> ScriptedDialogService::font(QWidget*, const QFont& initial, const QString& caption) {
    calls_.push_back({Kind::Font, caption, initial.toString(), QString()});
    const QVariant v = take();
    if (v.typeId() != QMetaType::QFont)
        return std::nullopt;
    return v.value<QFont>();
}

std::optional<QColor> ScriptedDialogService::colour(QWidget*, const QColor& initial, const QString& caption) {
    calls_.push_back({Kind::Colour, caption, initial.name(), QString()});
    const QVariant v = take();
    if (v.typeId() != QMetaType::QColor)
        return std::nullopt;
    return v.value<QColor>();
}

bool ScriptedDialogService::print(QWidget*, QPrinter& printer) {
    calls_.push_back({Kind::Print, QString(), printer.outputFileName(), QString()});
    const QVariant v = take();
    return v.typeId() == QMetaType::Bool && v.toBool();
}

bool ScriptedDialogService::pageSetup(QWidget*, QPrinter&) {
    calls_.push_back({Kind::PageSetup, QString(), QString(), QString()});
    const QVariant v = take();
    return v.typeId() == QMetaType::Bool && v.toBool();
}

bool ScriptedDialogService::printPreview(QWidget*, QPrinter& printer, const QString& title,
                                         const std::function<void(QPrinter&)>& paint) {
    calls_.push_back({Kind::PrintPreview, title, printer.outputFileName(), QString()});
    const QVariant v = take();
    if (v.typeId() != QMetaType::Bool || !v.toBool())
        return false;
    paint(printer);
    return true;
}

std::optional<QString> ScriptedDialogService::inputText(QWidget*, const QString& caption,
                                                        const QString& prompt, const QString& initial) {
    calls_.push_back({Kind::InputText, caption, prompt, initial});
    const QVariant v = take();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

bool ScriptedDialogService::openUrl(QWidget*, const QUrl& url) {
    calls_.push_back({Kind::OpenUrl, url.toString(), QString(), QString()});
    return true;
}

QStringList ScriptedDialogService::openedUrls() const {
    QStringList urls;
    for (const Call& call : calls_)
        if (call.kind == Kind::OpenUrl)
            urls << call.caption;
    return urls;
}
