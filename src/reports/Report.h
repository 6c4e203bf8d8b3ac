#pragma once

#include "AppSettings.h"
#include "Field.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

class Canvas;

namespace engine {
class Database;
class Query;
class Table;
} // namespace engine

namespace reports {

// What every report reads: the one shared query object, the read-only view of the aisles, the report
// options and fonts, the shopping-list notes, today's date and the locale for numbers and dates. The main
// window fills it from its data objects and the Options dialog; the command line from the settings file.
struct ReportSource {
    engine::Query* query = nullptr;  // the shared query (the main window's UsefulQuery)
    engine::Table* aisles = nullptr; // Aisles.dat on its primary index (Shop, Category), opened by a report
    AppSettings settings;            // report options, fonts and notes
    QDate today = QDate::currentDate();
    QLocale locale;
};

// The shared query as a report uses it: the whole text replaced line by line, opened, walked from first to
// last, closed before the next text (and when the report ends, also by an error).
class ReportQuery {
public:
    explicit ReportQuery(engine::Query& query) : query_(query) {}
    ~ReportQuery();
    ReportQuery(const ReportQuery&) = delete;
    ReportQuery& operator=(const ReportQuery&) = delete;

    // Closes the query, sets the lines as its text, opens it and goes to the first row. True when it has one.
    bool run(const QStringList& lines);
    void first();
    void next();
    bool eof() const;
    bool isEmpty() const;
    void close();

    // A field of the current row by name; take it once after run() and read it on every row.
    engine::Field field(const QString& name) const;

private:
    engine::Query& query_;
};

// One printed report. The menu commands and the command line both run it as: prepare() (the report's first
// query and the test for an empty report), then print() on the canvas of the printer the user chose.
class Report {
public:
    explicit Report(ReportSource& source) : source_(source) {}
    virtual ~Report() = default;
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // The document title: the job's name in the print queue.
    virtual QString title() const = 0;
    // Runs the report's first query. Returns the message for a report with nothing to print (shown as
    // information, and then there is no job), or an empty text when there is something to print.
    virtual QString prepare() = 0;
    // Draws the whole document: sets the report's font, begins the document with the title, draws every
    // page and ends the document. prepare() must have found something to print.
    virtual void print(Canvas& canvas) = 0;

protected:
    ReportSource& source() const { return source_; }
    const AppSettings& settings() const { return source_.settings; }
    // Puts the report font into the canvas and clears the brush, as every report starts.
    void startFont(Canvas& canvas, ReportFontId font) const;

private:
    ReportSource& source_;
};

} // namespace reports
