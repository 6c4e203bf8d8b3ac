#include "FridgeListReport.h"

#include "Canvas.h"
#include "ReportLayout.h"

#include <algorithm>

namespace reports {

QString FridgeListReport::prepare() {
    QStringList sql{QStringLiteral("SELECT *"), QStringLiteral("FROM Products P, Categories C"),
                    QStringLiteral("WHERE P.Category = C.CatID")};
    sql << (settings().flSortCat ? QStringLiteral("ORDER BY C.CatName, P.ProdName")
                                 : QStringLiteral("ORDER BY P.ProdName"));
    if (!query_.run(sql))
        return QStringLiteral("There are no products to print.");
    return QString();
}

void FridgeListReport::print(Canvas& canvas) {
    startFont(canvas, FridgeListFont);
    canvas.beginDocument(title());
    ReportLayout l(canvas);
    const int h = l.height(QStringLiteral("W"));
    l.LineHeight = nearest(1.5 * h);
    const int box = nearest(0.8 * h);
    l.LeftMargin = l.width(QStringLiteral("WWW"));
    l.RightMargin = l.LeftMargin;
    l.TopMargin = 3 * l.LineHeight;
    l.BottomMargin = 3 * l.LineHeight;
    const int columns = std::clamp(settings().flCols, 1, 10);
    const int columnWidth = (l.PageWidth - l.LeftMargin - l.RightMargin) / columns;
    l.Line = 1;
    int column = 0;

    const engine::Field name = query_.field(QStringLiteral("ProdName"));
    const engine::Field category = query_.field(QStringLiteral("CatName"));
    int widest = -1;
    for (query_.first(); !query_.eof(); query_.next())
        widest = std::max(widest, l.width(name.asString()));
    const int nameOffset = nearest(1.5 * box);
    // Names wider than the column allows leave the categories a third of it, cut to fit, rather than
    // pushing them out of the column.
    const int categoryOffset = std::min(widest + 2 * box, nameOffset + (columnWidth - nameOffset) * 2 / 3);

    for (query_.first(); !query_.eof(); query_.next()) {
        if (l.NeedsNewPage()) {
            if (column == columns - 1) {
                l.NewPage();
                column = 0;
            } else {
                ++column;
                l.Line = 1;
            }
        }
        const int x = column * columnWidth + l.LeftMargin;
        const int y = l.LineTop();
        const int columnEnd = x + columnWidth;
        canvas.rectangle(x, y, x + box, y + box);
        // Names and categories are cut where they would run into the next column.
        l.TextUpTo(x + nameOffset, settings().flCat ? std::min(x + categoryOffset, columnEnd) : columnEnd,
                   name.asString());
        if (settings().flCat) {
            StyleScope italic(l, StyleScope::Italic);
            l.TextUpTo(x + categoryOffset, columnEnd,
                       QStringLiteral("(") + category.asString() + QStringLiteral(")"));
        }
        l.NextLine();
    }
    query_.close();
    canvas.endDocument();
}

} // namespace reports
