#include "PageSearch.h"

#include "DataSet.h"
#include "Database.h"
#include "TextSearch.h"

namespace catalogue {

PageSearch::PageSearch(engine::Database& db, engine::DataSet& data, const QString& table,
                       const QStringList& columns, const QString& keyField)
    : db_(db), data_(&data), table_(table), columns_(columns), keyField_(keyField) {}

void PageSearch::setText(const QString& text) {
    text_ = text;
    kept_.clear();
    apply();
}

void PageSearch::keep(int id) {
    if (text_.isEmpty() || id <= 0 || kept_.contains(id))
        return;
    kept_ << id;
    apply();
}

void PageSearch::apply() {
    if (!data_)
        return;
    const QString condition = text_.trimmed().isEmpty()
                                  ? QString()
                                  : engine::TextSearch::sqlCondition(text_, db_.definition(table_).locale,
                                                                     columns_, keyField_, kept_);
    data_->setSearchCondition(condition);
}

} // namespace catalogue
