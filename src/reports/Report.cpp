#include "Report.h"

#include "Canvas.h"
#include "Query.h"

namespace reports {

ReportQuery::~ReportQuery() {
    query_.close();
}

bool ReportQuery::run(const QStringList& lines) {
    query_.close();
    query_.clearSql();
    for (const QString& line : lines)
        query_.addSql(line);
    query_.open();
    query_.first();
    return !query_.isEmpty();
}

void ReportQuery::first() {
    query_.first();
}

void ReportQuery::next() {
    query_.next();
}

bool ReportQuery::eof() const {
    return query_.eof();
}

bool ReportQuery::isEmpty() const {
    return query_.isEmpty();
}

void ReportQuery::close() {
    query_.close();
}

engine::Field ReportQuery::field(const QString& name) const {
    return query_.field(name);
}

void Report::startFont(Canvas& canvas, ReportFontId font) const {
    const ReportFont& f = settings().fonts[static_cast<size_t>(font)];
    canvas.setFont(f.toFont());
    canvas.setFontColor(f.color());
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
}

} // namespace reports
