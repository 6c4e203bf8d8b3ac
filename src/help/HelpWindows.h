#pragma once

#include "HelpHook.h"
#include "HelpWindow.h"

#include <QObject>
#include <QPointer>

#include <map>

namespace help {

// The help viewer of the program: one help window for each collection asked for, created on the first
// request and shown again on later ones. The windows have no owner, so the main window does not stay
// beneath them; they are deleted with this object.
class HelpWindows : public QObject, public HelpViewer {
    Q_OBJECT

public:
    explicit HelpWindows(QObject* parent = nullptr) : QObject(parent) {}
    ~HelpWindows() override;

    void showContext(const QString& collection, int contextId) override;
    void showContents(const QString& collection) override;
    void showIndex(const QString& collection, const QString& keyword) override;
    void showDefault(const QString& collection) override;
    void closeAll() override;

    // The window of a collection when one was opened (it may be hidden).
    HelpWindow* window(const QString& collection) const;
    // The window shown last.
    HelpWindow* activeWindow() const { return active_; }

private:
    HelpWindow& windowFor(const QString& collection);

    std::map<QString, QPointer<HelpWindow>> windows_;
    QPointer<HelpWindow> active_;
};

} // namespace help
