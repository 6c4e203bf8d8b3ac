#include "ListFormat.h"

#include "CsvListWriter.h"
#include "HtmlListWriter.h"
#include "MarkdownListWriter.h"
#include "PlainTextListWriter.h"
#include "TakeAlongList.h"

#include <QFileInfo>

const std::vector<ListFormat>& ListFormat::all() {
    static const std::vector<ListFormat> formats{
        {Html,
         QStringLiteral("html"),
         QStringLiteral("Web page"),
         {QStringLiteral("html"), QStringLiteral("htm")},
         false},
        {Text, QStringLiteral("text"), QStringLiteral("Plain text"), {QStringLiteral("txt")}, true},
        {Markdown,
         QStringLiteral("markdown"),
         QStringLiteral("Markdown"),
         {QStringLiteral("md"), QStringLiteral("markdown")},
         true},
        {Csv, QStringLiteral("csv"), QStringLiteral("CSV for spreadsheets"), {QStringLiteral("csv")}, true},
    };
    return formats;
}

const ListFormat* ListFormat::named(const QString& name) {
    for (const ListFormat& f : all())
        if (f.name == name)
            return &f;
    return nullptr;
}

const ListFormat* ListFormat::forFile(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const ListFormat& f : all())
        if (f.suffixes.contains(suffix))
            return &f;
    return nullptr;
}

QString ListFormat::fileFilters() {
    QStringList filters;
    for (const ListFormat& f : all())
        filters << f.description + QStringLiteral(" (*.") + f.suffixes.join(QStringLiteral(" *.")) +
                       QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

QString ListFormat::names() {
    QStringList names;
    for (const ListFormat& f : all())
        names << f.name;
    return names.join(QStringLiteral(", "));
}

QString ListFormat::write(const TakeAlongList& list, QChar separator) const {
    switch (kind) {
    case Html:
        return HtmlListWriter().write(list);
    case Text:
        return PlainTextListWriter().write(list);
    case Markdown:
        return MarkdownListWriter().write(list);
    case Csv:
        break;
    }
    return CsvListWriter(separator.isNull() ? CsvListWriter::separatorFor(list.locale) : separator)
        .write(list);
}
