#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QTabBar>
#include <QWidget>

// The Alt+letter keys a window offers as it stands (its menu bar's menus, and the labels, buttons, group
// boxes and tabs that would show with it), and those that two of them claim. A claimed key reaches one of
// its owners and hides the other, which is what happens when a label's letter equals a menu's.
namespace mnemonics {

inline QString keyOf(const QString& text) {
    return QKeySequence::mnemonic(text).toString(QKeySequence::PortableText);
}

inline QMap<QString, QStringList> keys(QWidget* window) {
    QMap<QString, QStringList> owners;
    const auto add = [&](const QString& text, const char* kind) {
        const QString key = keyOf(text);
        if (!key.isEmpty())
            owners[key] << QStringLiteral("%1 \"%2\"").arg(QLatin1String(kind), text);
    };
    const auto shown = [window](QWidget* w) { return w == window || w->isVisibleTo(window); };
    if (auto* bar = window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly); bar && shown(bar))
        for (QAction* a : bar->actions())
            if (a->isVisible())
                add(a->text(), "menu");
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!shown(w) || (w->window() != window))
            continue;
        if (auto* label = qobject_cast<QLabel*>(w))
            add(label->text(), "label");
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button->text(), "button");
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            add(group->title(), "group");
        else if (auto* tabs = qobject_cast<QTabBar*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->isTabVisible(i))
                    add(tabs->tabText(i), "tab");
    }
    return owners;
}

// "Alt+C: label "&Category", button "&Change"" for every key claimed twice or more.
inline QStringList clashes(QWidget* window, const QString& where) {
    QStringList out;
    const QMap<QString, QStringList> owners = keys(window);
    for (auto it = owners.begin(); it != owners.end(); ++it)
        if (it.value().size() > 1)
            out << QStringLiteral("%1 %2: %3").arg(where, it.key(), it.value().join(QStringLiteral(", ")));
    return out;
}

} // namespace mnemonics
