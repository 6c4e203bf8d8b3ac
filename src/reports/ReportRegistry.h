#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace reports {

class Report;
struct ReportSource;

// One report as the command line names it ("grocelle --print NAME" or "--print NAME:ARGUMENT").
struct ReportEntry {
    QString name;
    // Whether the name takes an argument after a colon (the floor plan's shop id), and its name for help.
    QString argumentName;
    // Makes the report over the source; the argument is the text after the colon. Empty while the report
    // cannot be printed from the command line yet.
    std::function<std::unique_ptr<Report>(ReportSource& source, const QString& argument)> make;
    // Why an argument is not one the report can take (a wrong argument on the command line), or an empty
    // text when it is; unset for reports without an argument.
    std::function<QString(const QString& argument)> checkArgument;
};

// Every report the program prints, in menu order.
const std::vector<ReportEntry>& reportEntries();

// The entry for "name" or "name:argument" (nullptr when there is none); `argument` gets the text after the
// colon.
const ReportEntry* findReport(const QString& nameAndArgument, QString* argument = nullptr);

} // namespace reports
