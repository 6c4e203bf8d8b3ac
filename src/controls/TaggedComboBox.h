#pragma once

#include <QComboBox>

class TaggedItemDelegate;

// A combo box of tagged entries (id "###" name) that shows only the names, in its list and in its box.
class TaggedComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TaggedComboBox(QWidget* parent = nullptr);
    void setItemHeight(int height);
    // The id of the selected entry, -1 when none.
    int selectedId() const;
    QString selectedEntry() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TaggedItemDelegate* delegate_;
};
