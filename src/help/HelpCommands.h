#pragma once

#include "HelpHook.h"
#include "HelpWindows.h"

#include <QObject>

#include <functional>

class MainWindow;

namespace help {

// The Help menu, the About box and the program's help hook, installed into the main window. It lives as
// the main window's child named "HelpCommands".
class HelpCommands : public QObject {
    Q_OBJECT

public:
    explicit HelpCommands(MainWindow& main);

    HelpHook& hook() { return hook_; }
    // What the main window's help requests (context ids) are handed to.
    std::function<void(int contextId)> handler();
    HelpWindows& windows() { return windows_; }
    // The catalogue of the maker's other products, in the help folder.
    QString catalogueFile() const;

    void Searchforhelpon1Click();
    void Usinghelp1Click();
    void Checkforupdates1Click();
    void Website1Click();
    void Supportforum1Click();
    void Otherproducts1Click();
    void About1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& main_;
    HelpWindows windows_;
    HelpHook hook_;
};

} // namespace help

// Replaces the frame's About box, connects the Help menu and makes every help request of the program open
// the help window.
void installHelp(MainWindow& main);
