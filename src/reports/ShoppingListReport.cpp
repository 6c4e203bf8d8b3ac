#include "ShoppingListReport.h"

#include "Canvas.h"
#include "Table.h"

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

const QString kWhereListed = QStringLiteral("(I.Quantity IS NOT NULL)");

} // namespace

QString ShoppingListReport::prepare() {
    shops_.clear();
    ReportQuery query(*source().query);
    if (!query.run({QStringLiteral("SELECT DISTINCT I.Shop, S.ShopName, S.Address"),
                    QStringLiteral("FROM Items I, Shops S"),
                    QStringLiteral("WHERE (S.ShopID = I.Shop) AND (I.Quantity IS NOT NULL)"),
                    QStringLiteral("ORDER BY ShopName")}))
        return QStringLiteral("There are no items to print.");
    const engine::Field shop = query.field(QStringLiteral("Shop"));
    const engine::Field name = query.field(QStringLiteral("ShopName"));
    const engine::Field address = query.field(QStringLiteral("Address"));
    for (; !query.eof(); query.next()) {
        if (!shops_.empty() && shops_.back().id == shop.asInteger())
            continue;
        shops_.push_back({shop.asInteger(), name.asString(), address.asString()});
    }
    return QString();
}

QStringList ShoppingListReport::shopItemsSql(int shop, bool inSequence) {
    const QString s = QString::number(shop);
    if (inSequence)
        return {QStringLiteral("SELECT *"),
                QStringLiteral("FROM Items I, Products P, Aisles A, Categories C, Shops S"),
                QStringLiteral(
                    "WHERE (P.ProdID = I.Product) AND (S.ShopID = I.Shop) AND (C.CatID = P.Category) AND "
                    "(A.Category = P.Category) AND (A.Shop = I.Shop) AND (I.Shop = ") +
                    s + QStringLiteral(") AND ") + kWhereListed,
                QStringLiteral("ORDER BY A.Sequence, P.ProdName")};
    return {
        QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
        QStringLiteral("WHERE (P.ProdID = I.Product) AND (S.ShopID = I.Shop) AND (C.CatID = P.Category) AND "
                       "(I.Shop = ") +
            s + QStringLiteral(") AND (I.Quantity IS NOT NULL)"),
        QStringLiteral("ORDER BY C.CatName, P.ProdName")};
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
    grandTotal_ = 0;
    for (shopIndex_ = 0; shopIndex_ < shops_.size(); ++shopIndex_)
        printShop();

    // The shop index now lies past the last shop, so a page break here prints only the date and page.
    EnsureRoom(2);
    l.RuleAcross();
    {
        StyleScope bold(l, StyleScope::Bold);
        const QString total = currencyText(grandTotal_, source().locale);
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
    ReportQuery query(*source().query);
    query.run(shopItemsSql(shop.id, true));
    previousCategory_ = -1;
    shopTotal_ = 0;
    priceMissing_ = false;
    outOfSequence_ = false;

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

    const engine::Field category = query.field(QStringLiteral("Category"));
    const engine::Field catName = query.field(QStringLiteral("CatName"));
    for (; !query.eof(); query.next()) {
        EnsureRoom(0);
        QString aisle;
        if (category.asInteger() != previousCategory_) {
            previousCategory_ = category.asInteger();
            aisle = catName.asString();
        }
        printItem(query, aisle);
    }
    query.close();
    printOutOfSequence();
    printFooter();
}

void ShoppingListReport::printOutOfSequence() {
    const Shop& shop = shops_[shopIndex_];
    ReportQuery query(*source().query);
    query.run(shopItemsSql(shop.id, false));
    engine::Table& aisles = *source().aisles;
    aisles.open();
    struct CloseAisles {
        engine::Table& t;
        ~CloseAisles() { t.close(); }
    } closeAisles{aisles};

    const engine::Field category = query.field(QStringLiteral("Category"));
    const engine::Field catName = query.field(QStringLiteral("CatName"));
    for (; !query.eof(); query.next()) {
        if (aisles.findKey(
                {engine::Value{std::int64_t{shop.id}}, engine::Value{std::int64_t{category.asInteger()}}}))
            continue;
        outOfSequence_ = true;
        EnsureRoom(0);
        QString aisle;
        if (category.asInteger() != previousCategory_) {
            previousCategory_ = category.asInteger();
            aisle = catName.asString() + QStringLiteral("*");
        }
        printItem(query, aisle);
    }
}

void ShoppingListReport::printItem(ReportQuery& query, const QString& aisle) {
    const engine::Field quantity = query.field(QStringLiteral("Quantity"));
    const engine::Field price = query.field(QStringLiteral("Price"));
    const double lineTotal = static_cast<double>(quantity.asInteger()) * price.asFloat();
    printRow({aisle, quantity.asString(),
              query.field(QStringLiteral("ProdName")).asString() + QStringLiteral(" ") +
                  query.field(QStringLiteral("Brand")).asString(),
              query.field(QStringLiteral("Size")).asString() +
                  query.field(QStringLiteral("UnitOfMeasure")).asString(),
              amountText(price.asFloat(), source().locale), amountText(lineTotal, source().locale)});
    // Summed in single precision in row order, as the totals have always been.
    shopTotal_ = static_cast<float>(shopTotal_ + lineTotal);
    grandTotal_ = static_cast<float>(grandTotal_ + lineTotal);
    if (price.asFloat() == 0)
        priceMissing_ = true;
    layout_->NextLine();
}

void ShoppingListReport::printFooter() {
    ReportLayout& l = *layout_;
    const Shop& shop = shops_[shopIndex_];
    EnsureRoom(2);
    l.RuleAcross();
    const QString total = amountText(shopTotal_, source().locale);
    l.TextUpTo(itemX_, l.DecimalLeft(totalX_, total), QStringLiteral("Total for ") + shop.name);
    l.DecimalText(totalX_, total);
    if (priceMissing_) {
        l.NextLine();
        StyleScope italic(l, StyleScope::Italic);
        l.TextAt(itemX_, QStringLiteral("(This total is not accurate."));
        l.NextLine();
        l.TextAt(itemX_, QStringLiteral("Some items at this shop had no prices.)"));
        priceMissing_ = false;
    }
    if (outOfSequence_) {
        l.NextLine();
        StyleScope italic(l, StyleScope::Italic);
        l.TextAt(aisleX_, QStringLiteral("* Indicates categories not in aisle sequence."));
        outOfSequence_ = false;
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
