#include "Query.h"

#include "Database.h"
#include "FaultInjection.h"
#include "Statement.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace engine {

namespace {

FieldType typeFromDeclaration(const char* decl, int firstValueType) {
    if (decl) {
        const QString d = QString::fromLatin1(decl).toUpper();
        if (d.contains(QLatin1String("INT")))
            return FieldType::Integer;
        if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) ||
            d.contains(QLatin1String("DOUB")))
            return FieldType::Float;
        return FieldType::String;
    }
    if (firstValueType == SQLITE_INTEGER)
        return FieldType::Integer;
    if (firstValueType == SQLITE_FLOAT)
        return FieldType::Float;
    return FieldType::String;
}

} // namespace

Query::Query(Database* db, QObject* parent) : DataSet(db, parent) {}

void Query::setSql(const QStringList& lines) {
    close();
    lines_ = lines;
}

void Query::addSql(const QString& line) {
    close();
    lines_ << line;
}

void Query::clearSql() {
    close();
    lines_.clear();
}

void Query::loadRows() {
    static const QRegularExpression selectStart(QStringLiteral("^\\s*SELECT\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QString text = sqlText();
    if (!selectStart.match(text).hasMatch())
        throw EngineError(UnsupportedStatement,
                          QStringLiteral("Only SELECT statements can be opened as a query"));
    sqlite3* c = db_->connection();
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(c, utf8.constData(), static_cast<int>(utf8.size()), &raw, &tail);
    if (rc != SQLITE_OK)
        throwSqliteError(c, rc, QStringLiteral("Invalid SQL"));
    struct Finalizer {
        sqlite3_stmt* s;
        ~Finalizer() { sqlite3_finalize(s); }
    } finalizer{raw};
    if (!raw || !sqlite3_stmt_readonly(raw) ||
        (tail && !QString::fromUtf8(tail).trimmed().remove(QLatin1Char(';')).trimmed().isEmpty()))
        throw EngineError(UnsupportedStatement,
                          QStringLiteral("Only a single SELECT statement can be opened as a query"));

    FaultInjection::check(utf8.constData());
    const int n = sqlite3_column_count(raw);
    int step = sqlite3_step(raw);
    columns_.clear();
    for (int i = 0; i < n; ++i) {
        Column col;
        col.name = QString::fromUtf8(sqlite3_column_name(raw, i));
        col.type = typeFromDeclaration(sqlite3_column_decltype(raw, i),
                                       step == SQLITE_ROW ? sqlite3_column_type(raw, i) : SQLITE_NULL);
        columns_.push_back(col);
    }
    clearRows();
    std::int64_t id = 1;
    while (step == SQLITE_ROW) {
        const int slot = store_.appendFromStatement(raw, 0);
        rowIds_.push_back(id++);
        order_.push_back(slot);
        step = sqlite3_step(raw);
    }
    if (step != SQLITE_DONE)
        throwSqliteError(c, step);
    nextRowId_ = id;
}

void Query::writeRecord(bool inserting, std::vector<Value>&, std::int64_t& rowid) {
    if (inserting)
        rowid = nextRowId_++;
}

void Query::removeRecord(std::int64_t) {}

} // namespace engine
