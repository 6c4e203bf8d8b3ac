#include "ControlsAccessibility.h"

#include "Helpers.h"
#include "HoverSpeedButton.h"
#include "TaggedComboBox.h"

#include <QAbstractItemView>

namespace ui {

namespace {

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("ui::HoverSpeedButton"))
        return new HoverSpeedButtonAccessible(static_cast<HoverSpeedButton*>(object));
    if (className == QLatin1String("TaggedComboBox"))
        return new TaggedComboBoxAccessible(static_cast<TaggedComboBox*>(object));
    return nullptr;
}

QString withoutMnemonic(QString text) {
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

} // namespace

void ControlsAccessibility::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

// HoverSpeedButtonAccessible

HoverSpeedButtonAccessible::HoverSpeedButtonAccessible(HoverSpeedButton* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

HoverSpeedButton* HoverSpeedButtonAccessible::button() const {
    return static_cast<HoverSpeedButton*>(widget());
}

QAccessible::Role HoverSpeedButtonAccessible::role() const {
    if (button()->groupIndex() != 0)
        return QAccessible::RadioButton;
    return button()->isCheckable() ? QAccessible::CheckBox : QAccessible::Button;
}

QAccessible::State HoverSpeedButtonAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    if (button()->isCheckable()) {
        s.checkable = true;
        s.checked = button()->isChecked();
    }
    s.pressed = button()->isDown();
    return s;
}

QString HoverSpeedButtonAccessible::text(QAccessible::Text t) const {
    const QString name = withoutMnemonic(button()->text());
    switch (t) {
    case QAccessible::Name:
        if (!button()->accessibleName().isEmpty())
            return button()->accessibleName();
        return name.isEmpty() ? button()->toolTip() : name;
    case QAccessible::Description:
        // The hint names the button when it has no caption; it is not read out twice.
        if (!button()->accessibleDescription().isEmpty())
            return button()->accessibleDescription();
        return name.isEmpty() && button()->accessibleName().isEmpty() ? QString() : button()->toolTip();
    case QAccessible::Accelerator: {
        const QKeySequence key = QKeySequence::mnemonic(button()->text());
        return key.isEmpty() ? button()->shortcut().toString(QKeySequence::NativeText)
                             : key.toString(QKeySequence::NativeText);
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

QStringList HoverSpeedButtonAccessible::actionNames() const {
    if (!button()->isEnabled())
        return {};
    return {pressAction()};
}

void HoverSpeedButtonAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction() && button()->isEnabled())
        button()->click();
}

// TaggedComboBoxAccessible

TaggedComboBoxAccessible::TaggedComboBoxAccessible(TaggedComboBox* combo)
    : QAccessibleWidget(combo, QAccessible::ComboBox) {}

TaggedComboBox* TaggedComboBoxAccessible::combo() const {
    return static_cast<TaggedComboBox*>(widget());
}

QString TaggedComboBoxAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    const QString name = TaggedDisplayText(combo()->currentText());
    return name.isNull() ? QString() : name;
}

QAccessible::State TaggedComboBoxAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.expandable = true;
    const bool open = combo()->view() && combo()->view()->isVisible();
    s.expanded = open;
    s.collapsed = !open;
    return s;
}

int TaggedComboBoxAccessible::childCount() const {
    return combo()->view() ? 1 : 0;
}

QAccessibleInterface* TaggedComboBoxAccessible::child(int index) const {
    return index == 0 && combo()->view() ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
}

int TaggedComboBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child && combo()->view() && child->object() == combo()->view() ? 0 : -1;
}

QStringList TaggedComboBoxAccessible::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void TaggedComboBoxAccessible::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction()) {
        if (combo()->view() && combo()->view()->isVisible())
            combo()->hidePopup();
        else
            combo()->showPopup();
    }
}

} // namespace ui
