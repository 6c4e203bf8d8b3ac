#pragma once

#include <QString>

class TakeAlongList;

// The list in Markdown for note apps: a heading per shop, the aisles as sub-headings and one task-list box
// ("- [ ] ...") per item, the totals and the notes. Every name is escaped, so nothing in it is read as
// Markdown.
class MarkdownListWriter {
public:
    QString write(const TakeAlongList& list) const;

    // The text with every character that Markdown could read as markup escaped, and a line break made a
    // space.
    static QString escaped(const QString& text);
};
