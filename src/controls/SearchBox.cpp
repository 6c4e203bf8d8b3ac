#include "SearchBox.h"

#include <QKeyEvent>
#include <QShortcut>

namespace ui {

SearchBox::SearchBox(QWidget* page, const QString& placeholder, QWidget* parent)
    : QLineEdit(parent ? parent : page) {
    setPlaceholderText(placeholder);
    setToolTip(placeholder + QStringLiteral(" (Ctrl+F)"));
    setClearButtonEnabled(true);
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    connect(this, &QLineEdit::textChanged, &pause_, qOverload<>(&QTimer::start));
    connect(&pause_, &QTimer::timeout, this, &SearchBox::flush);
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), page);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        setFocus(Qt::ShortcutFocusReason);
        selectAll();
    });
}

void SearchBox::flush() {
    pause_.stop();
    if (text() == told_)
        return;
    told_ = text();
    emit searchChanged(told_);
}

void SearchBox::reset() {
    const QSignalBlocker block(this);
    pause_.stop();
    clear();
    told_.clear();
}

void SearchBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        clear();
        flush();
        if (list_)
            list_->setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter tells at once, and goes no further: it is no page's default button here.
        flush();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace ui
