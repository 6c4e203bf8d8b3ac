#pragma once

#include <QAccessibleWidget>

class TaggedComboBox;

namespace ui {

class HoverSpeedButton;

// What assistive technology is told about the program's own controls where Qt's standard interfaces fall
// short. The data grid and the list boxes keep Qt's table and list interfaces (the tagged lists with the
// entries' names as their accessible text, see TaggedAccessibleText); the push buttons with pictures keep
// Qt's button interface.
class ControlsAccessibility {
public:
    // Installs the factory for the controls below; the controls call it when they are made.
    static void install();
};

// A picture button without caption: named by its accessible name or else its hint, a radio button when it
// belongs to a group, a check box when it only toggles, otherwise a push button.
class HoverSpeedButtonAccessible : public QAccessibleWidget {
public:
    explicit HoverSpeedButtonAccessible(HoverSpeedButton* button);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    HoverSpeedButton* button() const;
};

// A combo box of tagged entries: its value is the name shown, not the entry's text with its id.
class TaggedComboBoxAccessible : public QAccessibleWidget {
public:
    explicit TaggedComboBoxAccessible(TaggedComboBox* combo);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    TaggedComboBox* combo() const;
};

} // namespace ui
