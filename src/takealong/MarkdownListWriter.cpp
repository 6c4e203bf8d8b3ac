#include "MarkdownListWriter.h"

#include "TakeAlongList.h"

namespace {

QString name(const QString& text) {
    return TakeAlongList::isolated(MarkdownListWriter::escaped(text));
}

// A note line: escaped, and what would start a heading, list, quote, rule or code block at the start of a
// line made plain.
QString noteLine(const QString& line) {
    QString text = MarkdownListWriter::escaped(line);
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    text.remove(0, start);
    if (!text.isEmpty() && QStringLiteral("-+=>").contains(text.at(0)))
        text.prepend(QLatin1Char('\\'));
    qsizetype digits = 0;
    while (digits < text.size() && text.at(digits).isDigit())
        ++digits;
    if (digits > 0 && digits < text.size() &&
        (text.at(digits) == QLatin1Char('.') || text.at(digits) == QLatin1Char(')')))
        text.insert(digits, QLatin1Char('\\'));
    return TakeAlongList::isolated(text);
}

} // namespace

QString MarkdownListWriter::escaped(const QString& text) {
    static const QString special = QStringLiteral("\\`*_{}[]()<>#!|~&$");
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : TakeAlongList::oneLine(text)) {
        if (special.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString MarkdownListWriter::write(const TakeAlongList& list) const {
    QStringList lines{QStringLiteral("# Shopping list")};
    for (const TakeAlongList::Shop& shop : list.shops) {
        lines << QString() << QStringLiteral("## ") + name(shop.name);
        if (!shop.address.trimmed().isEmpty())
            lines << QString() << name(shop.address.trimmed());
        for (const TakeAlongList::Aisle& aisle : shop.aisles) {
            lines << QString()
                  << QStringLiteral("### ") + name(aisle.name) +
                         (aisle.outOfSequence ? QStringLiteral("\\*") : QString())
                  << QString();
            for (const TakeAlongList::Item& item : aisle.items) {
                QString line = QStringLiteral("- [ ] ") + escaped(item.quantity) + QStringLiteral(" × ") +
                               escaped(TakeAlongList::description(item, true));
                if (item.priced())
                    line += QStringLiteral(" — ") + escaped(list.amount(item.lineTotal));
                lines << line;
            }
        }
        lines << QString()
              << QStringLiteral("**Total for ") + name(shop.name) + QStringLiteral(": ") +
                     escaped(list.amount(shop.total)) + QStringLiteral("**");
        if (shop.priceMissing)
            lines << QString()
                  << QStringLiteral("*(This total is not accurate. Some items at this shop had no prices.)*");
        if (shop.outOfSequence)
            lines << QString() << QStringLiteral("*\\* Indicates categories not in aisle sequence.*");
    }
    lines << QString()
          << QStringLiteral("**Grand total: ") + escaped(list.currency(list.grandTotal)) +
                 QStringLiteral("**");
    if (!list.notes.isEmpty()) {
        lines << QString() << QStringLiteral("## Notes") << QString();
        // A backslash at the end of a line keeps the note's line breaks; an empty line starts a paragraph.
        for (qsizetype i = 0; i < list.notes.size(); ++i) {
            QString line = noteLine(list.notes.at(i));
            const bool nextInParagraph =
                i + 1 < list.notes.size() && !list.notes.at(i + 1).trimmed().isEmpty() && !line.isEmpty();
            if (nextInParagraph)
                line += QLatin1Char('\\');
            lines << line;
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
