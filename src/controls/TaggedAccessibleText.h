#pragma once

#include <QObject>

class QAbstractItemModel;

namespace ui {

// Keeps the accessible text of every tagged entry (id "###" name) of a model at the name alone, as the
// entry is drawn, so that a screen reader says "Milk" and not "12###Milk". Follows rows as they are added,
// changed or reset.
class TaggedAccessibleText : public QObject {
    Q_OBJECT

public:
    // Starts following the model (once per model); the follower lives as long as the model.
    static void follow(QAbstractItemModel* model);

private:
    explicit TaggedAccessibleText(QAbstractItemModel* model);
    void updateRows(int first, int last);

    QAbstractItemModel* model_;
};

} // namespace ui
