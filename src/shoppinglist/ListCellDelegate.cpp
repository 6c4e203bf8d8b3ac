#include "ListCellDelegate.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace {

// Refuses any character the mode's cell does not take; whether the text as a whole is a number is the
// field's and the check's business.
class CharacterValidator : public QValidator {
public:
    CharacterValidator(ListEditMode mode, QObject* parent) : QValidator(parent), mode_(mode) {}

    State validate(QString& input, int&) const override {
        const QLocale locale;
        for (const QChar c : input)
            if (!ListEntryCheck::acceptsCharacter(mode_, c, locale))
                return Invalid;
        return Acceptable;
    }

private:
    ListEditMode mode_;
};

} // namespace

ListCellDelegate::ListCellDelegate(QObject* parent) : ui::PriceMarkDelegate(parent) {}

QWidget* ListCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setValidator(new CharacterValidator(mode_, line));
        QFont bold = line->font();
        bold.setBold(true);
        line->setFont(bold);
    }
    return editor;
}

void ListCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    if (const auto* line = qobject_cast<QLineEdit*>(editor)) {
        // The field's own conversion is laxer than the page (it also reads the C locale's form), so the
        // page's rule is applied to the text itself.
        const ListEntryCheck::Result result = ListEntryCheck::check(mode_, line->text());
        if (!result.ok) {
            emit const_cast<ListCellDelegate*>(this)->invalidEntry(result.message);
            return;
        }
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void ListCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    ui::PriceMarkDelegate::initStyleOption(option, index);
    const auto* view = qobject_cast<const QAbstractItemView*>(option->widget);
    if (view && view->currentIndex().isValid() && view->currentIndex().row() == index.row())
        option->font.setBold(true);
}

bool ListCellDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            auto* editor = qobject_cast<QWidget*>(object);
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            emit enterPressed();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
