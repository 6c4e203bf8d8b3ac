#include "HelpWindows.h"

#include "HelpWindow.h"

#include <QFileInfo>

namespace help {

namespace {

QString Key(const QString& collection) {
    const QFileInfo info(collection);
    return info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
}

} // namespace

HelpWindows::~HelpWindows() {
    for (auto& [file, window] : windows_)
        delete window.data();
}

HelpWindow* HelpWindows::window(const QString& collection) const {
    const auto it = windows_.find(Key(collection));
    return it == windows_.end() ? nullptr : it->second.data();
}

HelpWindow& HelpWindows::windowFor(const QString& collection) {
    QPointer<HelpWindow>& window = windows_[Key(collection)];
    if (!window)
        window = new HelpWindow(std::make_unique<HelpCollection>(collection));
    active_ = window;
    return *window;
}

void HelpWindows::showContext(const QString& collection, int contextId) {
    HelpWindow& w = windowFor(collection);
    w.showContext(contextId);
    w.bringToFront();
}

void HelpWindows::showContents(const QString& collection) {
    HelpWindow& w = windowFor(collection);
    w.showContents();
    w.bringToFront();
}

void HelpWindows::showIndex(const QString& collection, const QString& keyword) {
    HelpWindow& w = windowFor(collection);
    w.showIndex(keyword);
    w.bringToFront();
}

void HelpWindows::showDefault(const QString& collection) {
    HelpWindow& w = windowFor(collection);
    w.showDefault();
    w.bringToFront();
}

void HelpWindows::closeAll() {
    for (auto& [file, window] : windows_)
        if (window)
            window->close();
}

} // namespace help
