#include "MasterItemListReport.h"

#include "Canvas.h"
#include "ReportLayout.h"

#include <algorithm>

namespace reports {

QString MasterItemListReport::prepare() {
    QStringList sql{
        QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
        QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID) AND (C.CatID = P.Category)")};
    if (settings().mlSortShop)
        sql << QStringLiteral("ORDER BY S.ShopName, C.CatName, P.ProdName");
    else if (settings().mlSortCat)
        sql << QStringLiteral("ORDER BY C.CatName, P.ProdName, S.ShopName");
    else
        sql << QStringLiteral("ORDER BY P.ProdName, S.ShopName");
    if (!query_.run(sql))
        return QStringLiteral("There are no items to print.");
    return QString();
}

void MasterItemListReport::print(Canvas& canvas) {
    startFont(canvas, MasterItemListFont);
    canvas.beginDocument(title());
    ReportLayout l(canvas);
    l.LineHeight = nearest(1.2 * l.height(QStringLiteral("W")));
    l.LeftMargin = l.width(QStringLiteral("WWWW"));
    l.RightMargin = l.LeftMargin;
    l.TopMargin = 4 * l.LineHeight;
    l.BottomMargin = 4 * l.LineHeight;

    const engine::Field product = query_.field(QStringLiteral("ProdName"));
    const engine::Field brand = query_.field(QStringLiteral("Brand"));
    const engine::Field category = query_.field(QStringLiteral("CatName"));
    const engine::Field size = query_.field(QStringLiteral("Size"));
    const engine::Field unit = query_.field(QStringLiteral("UnitOfMeasure"));
    const engine::Field price = query_.field(QStringLiteral("Price"));
    const engine::Field shop = query_.field(QStringLiteral("ShopName"));
    int widestProduct = -1;
    int widestBrand = -1;
    int widestCategory = -1;
    int widestSize = -1;
    for (query_.first(); !query_.eof(); query_.next()) {
        widestProduct = std::max(widestProduct, l.width(product.asString()));
        widestBrand = std::max(widestBrand, l.width(brand.asString()));
        widestCategory = std::max(widestCategory, l.width(category.asString()));
        widestSize = std::max(widestSize, l.width(size.asString() + unit.asString()));
    }
    const int gap = l.width(QStringLiteral("WWW"));
    productX_ = l.LeftMargin;
    brandX_ = productX_ + widestProduct + gap;
    categoryX_ = brandX_ + widestBrand + gap;
    sizeX_ = categoryX_ + widestCategory + gap;
    priceX_ = sizeX_ + widestSize + l.width(QStringLiteral("WW000"));
    shopX_ = priceX_ + l.width(QStringLiteral("000.00WWW"));

    l.Line = 1;
    MasterListTitles(l);
    for (query_.first(); !query_.eof(); query_.next()) {
        if (l.NeedsNewPage()) {
            l.NewPage();
            MasterListTitles(l);
        }
        l.TextAt(productX_, product.asString());
        l.TextAt(brandX_, brand.asString());
        l.TextAt(categoryX_, category.asString());
        l.TextAt(sizeX_, size.asString() + unit.asString());
        l.DecimalText(priceX_, amountText(price.asFloat(), source().locale));
        l.TextAt(shopX_, shop.asString());
        if (settings().mlGrid)
            l.RowRule(l.LeftMargin, l.PageWidth - l.RightMargin);
        l.NextLine();
    }
    query_.close();
    canvas.endDocument();
}

void MasterItemListReport::MasterListTitles(ReportLayout& l) const {
    l.TextAt(productX_, QStringLiteral("Product"));
    l.TextAt(brandX_, QStringLiteral("Brand"));
    l.TextAt(categoryX_, QStringLiteral("Category"));
    l.TextAt(sizeX_, QStringLiteral("Size"));
    l.DecimalText(priceX_, QStringLiteral("Price"));
    l.TextAt(shopX_, QStringLiteral("Shop"));
    l.NextLine();
    l.RuleAcross();
}

} // namespace reports
