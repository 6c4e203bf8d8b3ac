#include "CommandLine.h"

#include "AppFolders.h"
#include "AppSettings.h"
#include "Backup.h"
#include "CsvText.h"
#include "DataChecker.h"
#include "Database.h"
#include "DatabaseLocator.h"
#include "DatabaseLock.h"
#include "EngineError.h"
#include "ExportFile.h"
#include "Helpers.h"
#include "IniFile.h"
#include "ListFormat.h"
#include "PriceHistoryCsv.h"
#include "PrintJob.h"
#include "Query.h"
#include "Report.h"
#include "ReportRegistry.h"
#include "Table.h"
#include "TakeAlongList.h"
#include "V1Importer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QRect>
#include <QTextStream>

#include <exception>

namespace {

enum ExitCode { Success = 0, Failure = 1, BadArguments = 2 };

QString WithLineFeeds(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

CommandLineRun::ExportRequest CommandLineRun::exportArguments(const QCommandLineParser& parser,
                                                              const QCommandLineOption& exportOption,
                                                              const QCommandLineOption& formatOption,
                                                              const QCommandLineOption& separatorOption,
                                                              const QCommandLineOption& outputOption) {
    ExportRequest request;
    const auto wrong = [&request](const QString& text) {
        request.error = text;
        return request;
    };
    if (!parser.isSet(exportOption)) {
        if (parser.isSet(formatOption) || parser.isSet(separatorOption))
            return wrong(QStringLiteral("--%1 belongs to --export.")
                             .arg(parser.isSet(formatOption) ? QStringLiteral("format")
                                                             : QStringLiteral("separator")));
        return request;
    }
    const QString list = parser.value(exportOption);
    request.priceHistory = list == QStringLiteral("price-history");
    if (list != QStringLiteral("shopping-list") && !request.priceHistory)
        return wrong(
            QStringLiteral("Unknown list \"%1\"; the lists to export are shopping-list and price-history.")
                .arg(list));
    if (request.priceHistory) {
        // A table for spreadsheets: CSV whether or not --format says so.
        request.format = ListFormat::named(QStringLiteral("csv"));
        if (parser.isSet(formatOption) && ListFormat::named(parser.value(formatOption)) != request.format)
            return wrong(
                QStringLiteral("The price history is exported as CSV only: give --format csv or leave "
                               "--format out."));
    } else {
        if (!parser.isSet(formatOption))
            return wrong(QStringLiteral("--export needs --format: ") + ListFormat::names() +
                         QLatin1Char('.'));
        request.format = ListFormat::named(parser.value(formatOption));
        if (!request.format)
            return wrong(QStringLiteral("Unknown format \"%1\"; the formats are %2.")
                             .arg(parser.value(formatOption), ListFormat::names()));
    }
    if (parser.value(outputOption).isEmpty())
        return wrong(
            QStringLiteral("--export needs --output with the file to write, or - for standard output."));
    request.output = parser.value(outputOption);
    if (request.output == QStringLiteral("-") && !request.format->toStandardOutput)
        return wrong(QStringLiteral("The %1 format is written to a file only: name one with --output.")
                         .arg(request.format->name));
    if (parser.isSet(separatorOption)) {
        const QString separator = parser.value(separatorOption);
        if (request.format->kind != ListFormat::Csv)
            return wrong(QStringLiteral("--separator belongs to --format csv."));
        request.separator = separator == QStringLiteral("tab") ? QChar(QLatin1Char('\t'))
                            : separator.size() == 1            ? separator.at(0)
                                                               : QChar();
        if (request.separator.isNull() || request.separator == QLatin1Char('"') ||
            request.separator == QLatin1Char('\n') || request.separator == QLatin1Char('\r'))
            return wrong(
                QStringLiteral("The separator \"%1\" cannot separate fields: give one character other "
                               "than a quote or a line break, or \"tab\".")
                    .arg(separator));
    }
    return request;
}

CommandLineRun::CommandLineRun(const QString& programFolder, QTextStream& out, QTextStream& err)
    : programFolder_(programFolder), out_(out), err_(err) {}

bool CommandLineRun::wanted(int argc) {
    return argc > 1;
}

int CommandLineRun::run(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Grocelle grocery planner. Without options the program "
                                                    "opens its window; with one of these it runs the "
                                                    "command without a window and ends."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption backupOption(
        QStringLiteral("backup"),
        QStringLiteral("Back up the database into the backup folder and print the archive's path."));
    const QCommandLineOption restoreOption(
        QStringLiteral("restore"), QStringLiteral("Replace the database with the backup archive <file>."),
        QStringLiteral("file"));
    const QCommandLineOption checkOption(
        QStringLiteral("check"),
        QStringLiteral("Check and repair the database. Rows that refer to rows a repair could not save are "
                       "reported and kept (exit code 1), unless --delete-orphans is given."));
    const QCommandLineOption deleteOrphansOption(
        QStringLiteral("delete-orphans"),
        QStringLiteral("With --check: also delete the rows that refer to rows a repair could not save."));
    const QCommandLineOption importOption(
        QStringLiteral("import-v1"),
        QStringLiteral("Replace the database with the contents of the version-1 data file <file>."),
        QStringLiteral("file"));
    const QCommandLineOption yesOption(
        QStringLiteral("yes"), QStringLiteral("Confirm that --restore or --import-v1 may replace all data."));
    QStringList reportNames;
    for (const reports::ReportEntry& e : reports::reportEntries())
        reportNames << (e.argumentName.isEmpty() ? e.name : e.name + QLatin1Char(':') + e.argumentName);
    const QCommandLineOption printOption(
        QStringLiteral("print"),
        QStringLiteral(
            "Print the report <report> into the PDF file named by --output, with the report options "
            "and fonts of the settings file. Reports: ") +
            reportNames.join(QStringLiteral(", ")) + QLatin1Char('.'),
        QStringLiteral("report"));
    const QCommandLineOption outputOption(
        QStringLiteral("output"),
        QStringLiteral("The PDF file --print writes, or the file --export writes (\"-\": standard output)."),
        QStringLiteral("file"));
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QStringLiteral(
            "Export the list <list> into the file named by --output: shopping-list, the listed items of "
            "every shop in aisle order with totals and notes, in the format --format names; price-history, "
            "every price entered with its item, shop, product type, brand, size and date, as CSV."),
        QStringLiteral("list"));
    const QCommandLineOption formatOption(QStringLiteral("format"),
                                          QStringLiteral("The format of --export: ") + ListFormat::names() +
                                              QLatin1Char('.'),
                                          QStringLiteral("format"));
    const QCommandLineOption separatorOption(
        QStringLiteral("separator"),
        QStringLiteral("The field separator of --format csv: one character, or \"tab\" (default: \";\" where "
                       "the locale's decimal separator is a comma, else \",\")."),
        QStringLiteral("char"));
    const QCommandLineOption keepOption(
        QStringLiteral("keep"),
        QStringLiteral("After a good --backup, delete all but the newest <n> backup archives of the backup "
                       "folder."),
        QStringLiteral("n"));
    parser.addOptions({backupOption, restoreOption, checkOption, deleteOrphansOption, importOption, yesOption,
                       printOption, outputOption, exportOption, formatOption, separatorOption, keepOption});

    if (!parser.parse(arguments)) {
        printError(parser.errorText());
        printError(QStringLiteral("Try \"grocelle --help\"."));
        return BadArguments;
    }
    if (parser.isSet(helpOption)) {
        print(parser.helpText().trimmed());
        return Success;
    }
    if (parser.isSet(versionOption)) {
        print(QStringLiteral("Grocelle ") + ProgramVersionText());
        return Success;
    }
    if (!parser.positionalArguments().isEmpty()) {
        printError(QStringLiteral("Unexpected argument: ") +
                   parser.positionalArguments().join(QLatin1Char(' ')));
        return BadArguments;
    }
    int commands = 0;
    for (const QCommandLineOption* o :
         {&backupOption, &restoreOption, &checkOption, &importOption, &printOption, &exportOption})
        commands += parser.isSet(*o) ? 1 : 0;
    if (commands != 1) {
        printError(commands == 0 ? QStringLiteral("No command given: use --backup, --restore, --check, "
                                                  "--import-v1, --print or --export (see --help).")
                                 : QStringLiteral("Give only one command at a time."));
        return BadArguments;
    }
    const ExportRequest exportRequest =
        exportArguments(parser, exportOption, formatOption, separatorOption, outputOption);
    if (!exportRequest.error.isEmpty()) {
        printError(exportRequest.error);
        return BadArguments;
    }
    if (!parser.isSet(exportOption) && parser.isSet(outputOption) != parser.isSet(printOption)) {
        printError(parser.isSet(printOption)
                       ? QStringLiteral("--print needs --output with the PDF file to write.")
                       : QStringLiteral("--output belongs to --print or --export."));
        return BadArguments;
    }
    if (parser.isSet(deleteOrphansOption) && !parser.isSet(checkOption)) {
        printError(QStringLiteral("--delete-orphans belongs to --check."));
        return BadArguments;
    }
    int keep = 0;
    if (parser.isSet(keepOption)) {
        if (!parser.isSet(backupOption)) {
            printError(QStringLiteral("--keep belongs to --backup."));
            return BadArguments;
        }
        bool number = false;
        keep = parser.value(keepOption).toInt(&number);
        if (!number || keep < 1) {
            printError(QStringLiteral("--keep needs the number of backup archives to keep, 1 or more; \"%1\" "
                                      "is not one.")
                           .arg(parser.value(keepOption)));
            return BadArguments;
        }
    }
    QString reportArgument;
    const reports::ReportEntry* report = nullptr;
    if (parser.isSet(printOption)) {
        report = reports::findReport(parser.value(printOption), &reportArgument);
        if (!report) {
            printError(QStringLiteral("Unknown report \"%1\"; the reports are %2.")
                           .arg(parser.value(printOption), reportNames.join(QStringLiteral(", "))));
            return BadArguments;
        }
        if (report->checkArgument) {
            if (const QString error = report->checkArgument(reportArgument); !error.isEmpty()) {
                printError(error);
                return BadArguments;
            }
        }
        if (!report->make) {
            printError(QStringLiteral("The report \"%1\" cannot be printed from the command line yet.")
                           .arg(report->name));
            return BadArguments;
        }
        if (parser.value(outputOption).isEmpty()) {
            printError(QStringLiteral("--output needs the name of the PDF file to write."));
            return BadArguments;
        }
    }

    // Replacing all data asks no question here, so the caller has to have said yes beforehand.
    const bool replaces = parser.isSet(restoreOption) || parser.isSet(importOption);
    if (replaces && !parser.isSet(yesOption)) {
        printError(QStringLiteral("%1 replaces all current data; add --yes to go ahead.")
                       .arg(parser.isSet(restoreOption) ? QStringLiteral("--restore")
                                                        : QStringLiteral("--import-v1")));
        return BadArguments;
    }
    const QString file =
        parser.isSet(restoreOption) ? parser.value(restoreOption) : parser.value(importOption);
    if (replaces && QFileInfo(file).isDir()) {
        printError(QStringLiteral("\"%1\" is a folder, not a file.").arg(file));
        return Failure;
    }
    if (replaces && !QFileInfo(file).isFile()) {
        printError(QStringLiteral("The file \"%1\" does not exist.").arg(file));
        return Failure;
    }

    databaseFolder_ = WithoutTrailingSeparator(AppFolders::locate(programFolder_).dataFolder);
    // The same lock as the program's, so a command never changes the database under an open program or
    // another command. A command that only reads runs beside a running program instead, changing nothing.
    DatabaseLock lock;
    const bool readsOnly = parser.isSet(backupOption) || report || exportRequest.format;
    if (!lock.acquire(databaseFolder_) && !(readsOnly && lock.heldByRunningProgram())) {
        printError(lock.errorText());
        return Failure;
    }
    beside_ = !lock.isLocked();
    try {
        if (!beside_)
            settleDatabase();
        if (parser.isSet(backupOption))
            return backup(keep);
        if (parser.isSet(restoreOption))
            return restore(QFileInfo(file).absoluteFilePath());
        if (parser.isSet(checkOption))
            return check(parser.isSet(deleteOrphansOption));
        if (report)
            return printReport(*report, reportArgument,
                               QFileInfo(parser.value(outputOption)).absoluteFilePath());
        if (exportRequest.format)
            return exportRequest.priceHistory ? exportPriceHistory(exportRequest) : exportList(exportRequest);
        return importV1(QFileInfo(file).absoluteFilePath());
    } catch (const backup::BackupError& e) {
        printError(e.message());
        // The reason as well: a scheduled job's log is all there is to go on.
        if (!e.detail().isEmpty() && e.detail() != e.message())
            printError(e.detail());
    } catch (const V1FileError& e) {
        printError(e.message());
    } catch (const engine::EngineError& e) {
        printError(e.message());
    } catch (const std::exception& e) {
        printError(QString::fromLocal8Bit(e.what()));
    }
    return Failure;
}

void CommandLineRun::settleDatabase() {
    backup::BackupRestorer::resolveInterruptedRestore(databaseFolder_);
    engine::Database db(databaseFolder_);
    db.resolveLeftovers();
}

void CommandLineRun::upgradeTables() {
    engine::Database db(databaseFolder_);
    db.setScratchFolder(AppFolders::scratchFolder());
    DatabaseLocator locator(db);
    locator.refreshOldTables();
    if (!locator.CheckTableVersion())
        printError(DatabaseLocator::higherVersionMessage());
}

bool CommandLineRun::readyToRead(const QString& purpose) {
    {
        engine::Database db(databaseFolder_);
        if (DatabaseLocator(db).databaseMissing()) {
            printError(QStringLiteral("There is no database in \"%1\" to %2.").arg(databaseFolder_, purpose));
            return false;
        }
    }
    // Beside a running program the tables are as that program's start-up left them.
    if (!beside_)
        upgradeTables();
    return true;
}

void CommandLineRun::readSettings(AppSettings& settings) const {
    const AppFolders folders = AppFolders::locate(programFolder_);
    IniFile ini;
    ini.load(folders.settingsFileName);
    ReadSettings(ini, settings, QRect(), WithoutTrailingSeparator(folders.documentsFolder));
}

int CommandLineRun::printReport(const reports::ReportEntry& entry, const QString& argument,
                                const QString& outputFile) {
    if (!readyToRead(QStringLiteral("print from")))
        return Failure;
    // A report only reads.
    engine::Database db(databaseFolder_);
    db.setReadOnly(true);
    engine::Query query(&db);
    engine::Table aisles(&db, QStringLiteral("Aisles.dat"));
    reports::ReportSource source;
    source.query = &query;
    source.aisles = &aisles;
    readSettings(source.settings);

    const std::unique_ptr<reports::Report> report = entry.make(source, argument);
    const QString message = report->prepare();
    if (!message.isEmpty()) {
        printError(message);
        return Failure;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(outputFile);
    reports::printReport(*report, printer);
    print(outputFile);
    return Success;
}

int CommandLineRun::exportList(const ExportRequest& request) {
    if (!readyToRead(QStringLiteral("export from")))
        return Failure;
    // An export only reads.
    engine::Database db(databaseFolder_);
    db.setReadOnly(true);
    engine::Query query(&db);
    engine::Table aisles(&db, QStringLiteral("Aisles.dat"));
    reports::ReportSource source;
    source.query = &query;
    source.aisles = &aisles;
    // The notes come from the settings file.
    readSettings(source.settings);

    const TakeAlongList list = TakeAlongList::read(source);
    if (list.isEmpty()) {
        printError(TakeAlongList::emptyMessage());
        return Failure;
    }
    writeExport(request, request.format->write(list, request.separator));
    return Success;
}

int CommandLineRun::exportPriceHistory(const ExportRequest& request) {
    if (!readyToRead(QStringLiteral("export from")))
        return Failure;
    engine::Database db(databaseFolder_);
    db.setReadOnly(true);
    // A database without its log exports the header row: there is no history yet.
    const QLocale locale;
    PriceHistoryCsv csv(request.separator.isNull() ? CsvText::separatorFor(locale) : request.separator,
                        locale);
    writeExport(request, csv.write(db));
    return Success;
}

void CommandLineRun::writeExport(const ExportRequest& request, const QString& text) {
    if (request.output == QStringLiteral("-")) {
        out_ << text;
        out_.flush();
        return;
    }
    const QString path = QFileInfo(request.output).absoluteFilePath();
    ExportFile::write(path, text.toUtf8());
    print(path);
}

QString CommandLineRun::backupFolder() const {
    // As the program reads it at start-up: the settings file's folder, else the documents folder, created
    // when missing.
    AppSettings settings;
    readSettings(settings);
    QDir().mkpath(settings.backupFolder);
    return settings.backupFolder;
}

int CommandLineRun::backup(int keep) {
    {
        engine::Database db(databaseFolder_);
        if (DatabaseLocator(db).databaseMissing()) {
            printError(QStringLiteral("There is no database in \"%1\" to back up.").arg(databaseFolder_));
            return Failure;
        }
        // With the lock held, what a crash left is played back or dropped first, as at start-up.
        if (!beside_) {
            db.setScratchFolder(AppFolders::scratchFolder());
            db.open();
        }
    }
    const QString folder = backupFolder();
    QString archive;
    try {
        archive = backup::BackupWriter(databaseFolder_, folder).write();
    } catch (const engine::EngineError& e) {
        throw backup::BackupError(backup::kUnableToArchive, e.message());
    }
    print(archive);
    if (keep > 0)
        for (const QString& removed : backup::pruneArchives(folder, keep, archive))
            print(QStringLiteral("Deleted the old backup %1").arg(removed));
    return Success;
}

int CommandLineRun::restore(const QString& archivePath) {
    backup::BackupRestorer(databaseFolder_).restore(archivePath);
    upgradeTables();
    print(backup::kRestored);
    return Success;
}

int CommandLineRun::check(bool deleteOrphans) {
    {
        engine::Database db(databaseFolder_);
        if (DatabaseLocator(db).databaseMissing()) {
            printError(QStringLiteral("There is no database in \"%1\" to check.").arg(databaseFolder_));
            return Failure;
        }
    }
    upgradeTables();
    engine::Database db(databaseFolder_);
    db.setScratchFolder(AppFolders::scratchFolder());
    const CheckOutcome outcome = DataChecker(db).run(deleteOrphans ? DataChecker::OrphansOfLostRows::Delete
                                                                   : DataChecker::OrphansOfLostRows::Keep);
    if (!outcome.unexpectedError.isEmpty()) {
        printError(outcome.message);
        printError(outcome.unexpectedError);
        return Failure;
    }
    if (outcome.isWarning()) {
        printError(outcome.message);
        return Failure;
    }
    print(outcome.message);
    // Kept rows leave the database with problems only the user can settle: a script has to notice.
    if (outcome.rowsKept() > 0) {
        printError(DataChecker::keptOrphansReport(outcome));
        printError(QStringLiteral("They were kept; grocelle --check --delete-orphans deletes them."));
        return Failure;
    }
    return Success;
}

int CommandLineRun::importV1(const QString& filePath) {
    {
        // As at start-up, a folder without a database gets a blank one to import into.
        engine::Database db(databaseFolder_);
        DatabaseLocator locator(db);
        if (locator.databaseMissing())
            locator.createBlankDatabase();
    }
    upgradeTables();
    engine::Database db(databaseFolder_);
    db.setScratchFolder(AppFolders::scratchFolder());
    const V1ImportCounts counts = V1Importer(db).importFile(filePath);
    print(V1Importer::successMessage(counts));
    return Success;
}

void CommandLineRun::print(const QString& text) {
    out_ << WithLineFeeds(text) << '\n';
    out_.flush();
}

void CommandLineRun::printError(const QString& text) {
    err_ << WithLineFeeds(text) << '\n';
    err_.flush();
}
