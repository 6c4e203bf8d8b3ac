#pragma once

#include "DataSet.h"

#include <QStringList>

namespace engine {

// A query object: the result of a SELECT given as lines of text, held in memory so it can be walked,
// counted and edited. Edits change the result only, never the tables it came from.
class Query : public DataSet {
    Q_OBJECT

public:
    explicit Query(Database* db, QObject* parent = nullptr);

    void setSql(const QStringList& lines); // closes the object
    void setSql(const QString& text) { setSql(QStringList{text}); }
    void addSql(const QString& line);
    void clearSql();
    const QStringList& sql() const { return lines_; }
    QString sqlText() const { return lines_.join(QLatin1Char('\n')); }

protected:
    void loadRows() override;
    void writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& rowid) override;
    void removeRecord(std::int64_t rowid) override;

private:
    QStringList lines_;
    std::int64_t nextRowId_ = 1;
};

} // namespace engine
