#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

struct AppSettings;
class ListFormat;
class QCommandLineOption;
class QCommandLineParser;
class QTextStream;
namespace reports {
struct ReportEntry;
}

// The commands run from a shell or a scheduled job (--backup, --restore, --check, --import-v1, --print,
// --export of the shopping list or the price history): no window and no display. Each finds the database as
// the program's start-up does, holds the one-program lock while it works, prints its outcome on `out` and its
// errors on `err`, with line ends as LF. The commands that only read (--backup, --print, --export) run beside
// a program that holds the lock, through a read-only connection.
class CommandLineRun {
public:
    CommandLineRun(const QString& programFolder, QTextStream& out, QTextStream& err);

    // True when the program was started with arguments: those runs belong here, not to the window.
    static bool wanted(int argc);

    // Parses the arguments (the program name first) and runs the one command they name. The exit code: 0 on
    // success, 1 when the command failed, 2 when the arguments were wrong.
    int run(const QStringList& arguments);

private:
    int backup(int keep);
    int restore(const QString& archivePath);
    int check(bool deleteOrphans);
    int importV1(const QString& filePath);
    int printReport(const reports::ReportEntry& entry, const QString& argument, const QString& outputFile);

    // What --export, --format, --separator and --output ask for; the message for wrong arguments.
    struct ExportRequest {
        const ListFormat* format = nullptr; // null when --export is not given
        bool priceHistory = false;          // the price log (always CSV), not the shopping list
        QString output;                     // a file name, or "-" for standard output
        QChar separator;                    // null: the locale's
        QString error;
    };
    static ExportRequest exportArguments(const QCommandLineParser& parser,
                                         const QCommandLineOption& exportOption,
                                         const QCommandLineOption& formatOption,
                                         const QCommandLineOption& separatorOption,
                                         const QCommandLineOption& outputOption);
    int exportList(const ExportRequest& request);
    int exportPriceHistory(const ExportRequest& request);
    // Writes an export's text to standard output ("-") or, whole or not at all, into the named file.
    void writeExport(const ExportRequest& request, const QString& text);

    // Moves the database to what start-up leaves: an interrupted restore and changes finished or undone.
    void settleDatabase();
    // The start-up's upgrade of older tables; a newer database gets the start-up's warning.
    void upgradeTables();
    // Says so and returns false when there is no database to read; otherwise brings its tables up to date
    // unless a running program already has. purpose ends the message: "print from", "export from".
    bool readyToRead(const QString& purpose);
    // The settings as the program reads them at start-up.
    void readSettings(AppSettings& settings) const;
    QString backupFolder() const;

    void print(const QString& text);
    void printError(const QString& text);

    QString programFolder_;
    QString databaseFolder_;
    // A running program holds the database: the command reads it without the lock and changes nothing.
    bool beside_ = false;
    QTextStream& out_;
    QTextStream& err_;
};
