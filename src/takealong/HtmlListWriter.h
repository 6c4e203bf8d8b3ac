#pragma once

#include <QString>

class TakeAlongList;

// The list as one self-contained web page for a phone's browser: no scripts, styles, fonts or pictures from
// anywhere else (its content security policy forbids them too), one section per shop in aisle order, a large
// tick box per item that greys the line out and is remembered in the browser's local storage under a key
// of this list, a running "left to buy" total, the notes, and colours for light and dark mode.
class HtmlListWriter {
public:
    QString write(const TakeAlongList& list) const;

    // The text with &, <, >, " and ' as entities and control characters other than line breaks left out.
    static QString escaped(const QString& text);
    // The key the page keeps its ticks under: the same list exported again finds its ticks.
    static QString listKey(const TakeAlongList& list);
};
