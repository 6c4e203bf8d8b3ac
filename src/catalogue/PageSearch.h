#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>

#include <cstdint>

namespace engine {
class DataSet;
class Database;
} // namespace engine

namespace catalogue {

// A page's search over one of its data objects: the words typed into the page's search box become the
// object's search condition, in the language of the table the rows come from. Rows added or changed since
// the words were typed stay shown (a row never jumps away under the cursor) until the words change.
class PageSearch {
public:
    PageSearch(engine::Database& db, engine::DataSet& data, const QString& table, const QStringList& columns,
               const QString& keyField);

    // Takes the box's text as the search, forgetting the rows kept for the words before.
    void setText(const QString& text);
    const QString& text() const { return text_; }
    // Keeps a row added or changed under the search in view.
    void keep(int id);
    const QList<std::int64_t>& kept() const { return kept_; }
    // Gives the object its condition; it takes effect the next time the object reads its order.
    void apply();

private:
    engine::Database& db_;
    QPointer<engine::DataSet> data_;
    QString table_;
    QStringList columns_;
    QString keyField_;
    QString text_;
    QList<std::int64_t> kept_;
};

} // namespace catalogue
