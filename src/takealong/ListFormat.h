#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include <vector>

class TakeAlongList;

// The formats the shopping list is exported in, as the save dialog and the command line name them.
class ListFormat {
public:
    enum Kind { Html, Text, Markdown, Csv };

    Kind kind;
    QString name;          // on the command line: "--format NAME"
    QString description;   // in the save dialog's filter
    QStringList suffixes;  // the first is given to a new file
    bool toStandardOutput; // may be written to standard output ("--output -")

    // Every format, in the order of the save dialog's filters.
    static const std::vector<ListFormat>& all();
    static const ListFormat* named(const QString& name);
    // The format a file name's ending stands for; nullptr for any other ending.
    static const ListFormat* forFile(const QString& fileName);
    // The save dialog's filters, "Web page (*.html *.htm);;...".
    static QString fileFilters();
    // The names joined for messages and help: "html, text, markdown, csv".
    static QString names();

    // The list written in this format. CSV separates its fields with `separator`, or with the one of the
    // list's locale when it is null.
    QString write(const TakeAlongList& list, QChar separator = QChar()) const;
};
