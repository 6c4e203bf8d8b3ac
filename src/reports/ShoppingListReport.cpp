#include "ShoppingListReport.h"

#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace reports {

QString ShoppingListReport::prepare() {
    rows_.emplace(source());
    shops_ = rows_->shops();
    if (shops_.empty())
        return QStringLiteral("There are no items to print.");
    return QString();
}

void ShoppingListReport::print(Canvas& canvas) {
    startFont(canvas, ShoppingListFont);
    canvas.beginDocument(title());
    layout_.emplace(canvas);
    ReportLayout& l = *layout_;
    l.LineHeight = nearest(1.2 * l.height(QStringLiteral("W")));
    l.LeftMargin = l.width(QStringLiteral("WWWW"));
    l.RightMargin = l.LeftMargin;
    l.TopMargin = 4 * l.LineHeight;
    l.BottomMargin = 6 * l.LineHeight;
    measureColumns();

    l.Line = 1;
    l.FirstShop = true;
    l.PageNumber = 1;
    rows_.emplace(source());
    for (shopIndex_ = 0; shopIndex_ < shops_.size(); ++shopIndex_)
        printShop();

    // The shop index now lies past the last shop, so a page break here prints only the date and page.
    EnsureRoom(2);
    l.RuleAcross();
    {
        StyleScope bold(l, StyleScope::Bold);
        const QString total = currencyText(rows_->grandTotal(), source().locale);
        l.TextUpTo(itemX_, l.DecimalLeft(totalX_, total), QStringLiteral("Grand total"));
        l.DecimalText(totalX_, total);
    }
    printNotes();
    canvas.endDocument();
}

void ShoppingListReport::measureColumns() {
    ReportLayout& l = *layout_;
    aisleX_ = l.LeftMargin + l.width(QStringLiteral("WW"));
    totalX_ = l.PageWidth - l.RightMargin - l.width(QStringLiteral(".00"));
    priceX_ = totalX_ - l.width(QStringLiteral(".00W0000"));
    qtyX_ = aisleX_ + l.width(QStringLiteral("wrwrwrwrwrwrwrwrwr"));
    sizeX_ = priceX_ - l.width(QStringLiteral("000wrwr0000"));

    ReportQuery query(*source().query);
    query.run({QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C"),
               QStringLiteral(
                   "WHERE (P.ProdID = I.Product) AND (C.CatID = P.Category) AND (I.Quantity IS NOT NULL)")});
    const engine::Field catName = query.field(QStringLiteral("CatName"));
    const engine::Field size = query.field(QStringLiteral("Size"));
    const engine::Field unit = query.field(QStringLiteral("UnitOfMeasure"));
    const engine::Field price = query.field(QStringLiteral("Price"));
    const QString wide = QStringLiteral("W");
    for (; !query.eof(); query.next()) {
        qtyX_ = std::max(qtyX_, aisleX_ + l.width(catName.asString() + QStringLiteral("WW")));
        const QString integerPart = QString::number(static_cast<qint64>(std::trunc(price.asFloat())));
        sizeX_ = std::min(sizeX_, priceX_ - l.width(size.asString() + unit.asString() + wide + integerPart));
    }
    itemX_ = qtyX_ + l.width(QStringLiteral("00000"));

    // At large fonts the columns need not fit between the margins. The aisle column gives up room first (its
    // names are cut), then the sizes move towards the prices, so that every column keeps room of its own.
    const int least = l.width(QStringLiteral("WWWW"));
    if (sizeX_ - itemX_ < least) {
        qtyX_ = std::max(aisleX_ + least, sizeX_ - least - l.width(QStringLiteral("00000")));
        itemX_ = qtyX_ + l.width(QStringLiteral("00000"));
    }
    sizeX_ = std::max(sizeX_, itemX_ + least);
}

void ShoppingListReport::printShop() {
    ReportLayout& l = *layout_;
    const Shop& shop = shops_[shopIndex_];
    if (l.FirstShop) {
        l.FirstShop = false;
        ShoppingListHeading(true);
    } else if (settings().slNewPage) {
        l.NewPage();
        ShoppingListHeading(true);
    } else {
        // No page-break test here: the test before the first row moves rows and heading on together.
        l.Line += 3;
        ShoppingListHeading(false);
    }
    shopTotals_ = rows_->walkShop(shop.id, [this](const ShoppingListRows::Item& item) {
        EnsureRoom(0);
        QString aisle;
        if (item.firstOfCategory)
            aisle = item.category + (item.outOfSequence ? QStringLiteral("*") : QString());
        printRow({aisle, item.quantityText, item.product + QStringLiteral(" ") + item.brand,
                  item.size + item.unit, amountText(item.price, source().locale),
                  amountText(item.lineTotal, source().locale)});
        layout_->NextLine();
    });
    printFooter();
}

void ShoppingListReport::printFooter() {
    ReportLayout& l = *layout_;
    const Shop& shop = shops_[shopIndex_];
    EnsureRoom(2);
    l.RuleAcross();
    const QString total = amountText(shopTotals_.total, source().locale);
    l.TextUpTo(itemX_, l.DecimalLeft(totalX_, total), QStringLiteral("Total for ") + shop.name);
    l.DecimalText(totalX_, total);
    if (shopTotals_.priceMissing) {
        l.NextLine();
        StyleScope italic(l, StyleScope::Italic);
        l.TextAt(itemX_, QStringLiteral("(This total is not accurate."));
        l.NextLine();
        l.TextAt(itemX_, QStringLiteral("Some items at this shop had no prices.)"));
    }
    if (shopTotals_.outOfSequence) {
        l.NextLine();
        StyleScope italic(l, StyleScope::Italic);
        l.TextAt(aisleX_, QStringLiteral("* Indicates categories not in aisle sequence."));
    }
}

void ShoppingListReport::printNotes() {
    ReportLayout& l = *layout_;
    const QStringList& notes = settings().notes;
    if (notes.isEmpty())
        return;
    l.Line += 3;
    if (static_cast<int>(notes.size()) * l.LineHeight + l.LineTop() > l.PageHeight - l.BottomMargin) {
        // The notes are never split: they start a page of their own, which carries no heading.
        l.NewPage();
        ++l.PageNumber;
    } else {
        l.RuleAcross();
    }
    for (const QString& line : notes) {
        l.TextAt(l.LeftMargin, line);
        l.NextLine();
    }
}

void ShoppingListReport::ShoppingListHeading(bool withDateAndPage) {
    ReportLayout& l = *layout_;
    const bool forShop = shopIndex_ < shops_.size();
    {
        StyleScope bold(l, StyleScope::Bold);
        // The shop's name and address end before the date, cut when they would run into it.
        int headingEnd = l.PageWidth - l.RightMargin;
        if (withDateAndPage) {
            const QString text = source().locale.toString(source().today, QLocale::ShortFormat) +
                                 QStringLiteral("     Page ") + QString::number(l.PageNumber);
            headingEnd -= l.width(text);
            l.TextAt(headingEnd, text);
            ++l.PageNumber;
        }
        if (forShop) {
            const Shop& shop = shops_[shopIndex_];
            QString text = QStringLiteral("Shopping list for ") + shop.name;
            if (settings().slAddr)
                text += QStringLiteral(" - ") + shop.address;
            l.TextUpTo(l.LeftMargin, headingEnd, text);
        }
    }
    l.Line += 2;
    if (forShop) {
        printRow({QStringLiteral("Aisle"), QStringLiteral("Qty"), QStringLiteral("Item"),
                  QStringLiteral("Size"), QStringLiteral("Price"), QStringLiteral("Total")});
        l.NextLine();
        l.RuleAcross();
    }
}

void ShoppingListReport::EnsureRoom(int lines) {
    ReportLayout& l = *layout_;
    if (l.NeedsNewPage(lines)) {
        l.NewPage();
        ShoppingListHeading(true);
    } else if (lines > 0) {
        l.Line += lines - 1;
    }
}

void ShoppingListReport::printRow(const Row& row) {
    ReportLayout& l = *layout_;
    // Each text ends before the next column begins.
    l.TextUpTo(aisleX_, qtyX_, row.aisle);
    l.TextUpTo(qtyX_, itemX_, row.quantity);
    l.TextUpTo(itemX_, sizeX_, row.item);
    l.TextUpTo(sizeX_, l.DecimalLeft(priceX_, row.price), row.size);
    l.DecimalText(priceX_, row.price);
    l.DecimalText(totalX_, row.total);
}

} // namespace reports
