#include "TaggedAccessibleText.h"

#include "Helpers.h"

#include <QAbstractItemModel>

namespace ui {

void TaggedAccessibleText::follow(QAbstractItemModel* model) {
    if (model && !model->findChild<TaggedAccessibleText*>(QString(), Qt::FindDirectChildrenOnly))
        new TaggedAccessibleText(model);
}

TaggedAccessibleText::TaggedAccessibleText(QAbstractItemModel* model) : QObject(model), model_(model) {
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    updateRows(first, last);
            });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
                if (!topLeft.parent().isValid() && (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
                    updateRows(topLeft.row(), bottomRight.row());
            });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { updateRows(0, model_->rowCount() - 1); });
    updateRows(0, model->rowCount() - 1);
}

void TaggedAccessibleText::updateRows(int first, int last) {
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model_->index(row, 0);
        const QString name = TaggedDisplayText(index.data(Qt::DisplayRole).toString());
        // An entry without a tag is drawn as nothing; its text stays as it is.
        if (!name.isNull() && index.data(Qt::AccessibleTextRole).toString() != name)
            model_->setData(index, name, Qt::AccessibleTextRole);
    }
}

} // namespace ui
