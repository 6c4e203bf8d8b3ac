#include "PriceFormReport.h"

#include "Canvas.h"
#include "Query.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

int nearest(double v) {
    return static_cast<int>(std::nearbyint(v));
}

QString priceText(float price) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<double>(price), 'f', 2);
}

// The part of a price text before its first "."; none at all when it has no ".".
QString integerPart(const QString& text) {
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : text.left(dot);
}

// Prints the text so that its first "." stands at x; a text without one is centred on x.
void decimalText(Canvas& c, int x, int y, const QString& text) {
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    const int start = dot >= 0 ? x - c.textWidth(text.left(dot)) : x - nearest(c.textWidth(text) / 2.0);
    c.textOut(start, y, text);
}

// The pages of one group of shop columns.
class GroupPrinter {
public:
    GroupPrinter(Canvas& canvas, const PriceFormGeometry& g, const std::vector<PriceFormShop>& shops,
                 int pageHeight, int j0, int j1)
        : c_(canvas), g_(g), shops_(shops), pageHeight_(pageHeight), j0_(j0), j1_(j1),
          right_(g.columnX(j1) + g.columnWidth), delta_(nearest(g.lineHeight / 9.5)) {}

    void print(const std::vector<PriceFormItem>& items) {
        line_ = 1;
        productLine_ = -1;
        heading();
        int product = -1;
        for (const PriceFormItem& row : items) {
            if (row.productId != product) {
                flush(row);
                ++line_;
                rule();
                if (lineTop(line_) > pageHeight_ - bottomMargin()) {
                    verticals();
                    c_.newPage();
                    line_ = 1;
                    heading();
                    ++line_;
                    rule();
                }
                c_.textOut(g_.productX, lineTop(line_), row.productName);
                product = row.productId;
                productLine_ = line_;
            } else if (row.shopId != pending_.shopId) {
                flush(row);
            } else if (row.price != 0.0f && (pending_.price == 0.0f || row.price < pending_.price)) {
                // The same product type again at the same shop: the cheapest non-zero price wins.
                pending_.price = row.price;
                pending_.size = row.size;
            }
        }
        flush(PriceFormItem());
        ++line_;
        rule();
        verticals();
    }

private:
    int lineTop(int line) const { return line * g_.lineHeight + 4 * g_.lineHeight; }
    int bottomMargin() const { return 4 * g_.lineHeight; }

    // A grid line just above the current line's text.
    void rule() {
        const int y = lineTop(line_) - delta_;
        c_.line(g_.margin, y, right_, y);
    }

    void heading() {
        rule();
        const int top = lineTop(line_);
        c_.textOut(g_.productX, top, QStringLiteral("Product"));
        for (int j = j0_; j <= j1_; ++j) {
            const int x = g_.columnX(j);
            c_.textRect(Canvas::edges(x + g_.h, top, x + g_.columnWidth - g_.h / 2, top + g_.lineHeight),
                        x + g_.h, top, shops_[static_cast<size_t>(j)].name);
        }
        ++line_;
        rule();
    }

    void verticals() {
        const int y1 = lineTop(1) - delta_, y2 = lineTop(productLine_ + 1) - delta_;
        c_.line(g_.margin, y1, g_.margin, y2);
        for (int j = j0_; j <= j1_; ++j)
            c_.line(g_.columnX(j), y1, g_.columnX(j), y2);
        c_.line(right_, y1, right_, y2);
    }

    // Prints the pending cell when its shop is one of this group's, then starts the next from the row.
    void flush(const PriceFormItem& row) {
        if (pending_.shopId != -1) {
            int index = -1;
            for (size_t j = 0; j < shops_.size(); ++j)
                if (shops_[j].id == pending_.shopId) {
                    index = static_cast<int>(j);
                    break;
                }
            if (index >= j0_ && index <= j1_) {
                const int x = g_.columnX(index) + g_.integerRoom, top = lineTop(line_);
                const QString price = priceText(pending_.price);
                if (price != QLatin1String("0.00"))
                    decimalText(c_, x, top, price);
                c_.textOut(x + g_.decimalRoom, top, pending_.size);
            }
        }
        pending_ = row;
    }

    Canvas& c_;
    const PriceFormGeometry& g_;
    const std::vector<PriceFormShop>& shops_;
    int pageHeight_, j0_, j1_, right_, delta_;
    int line_ = 1;
    int productLine_ = -1;
    PriceFormItem pending_;
};

} // namespace

PriceFormReport::PriceFormReport(engine::Query& query, bool sortByCategory)
    : query_(query), sortByCategory_(sortByCategory) {}

QStringList PriceFormReport::shopsSql() {
    return {QStringLiteral("SELECT *"), QStringLiteral("FROM Shops"), QStringLiteral("ORDER BY ShopName")};
}

QStringList PriceFormReport::itemsSql(bool sortByCategory) {
    if (sortByCategory)
        return {
            QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
            QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID) AND (C.CatID = P.Category)"),
            QStringLiteral("ORDER BY C.CatName, P.ProdName, S.ShopName")};
    return {QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Shops S"),
            QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID)"),
            QStringLiteral("ORDER BY P.ProdName, S.ShopName")};
}

QString PriceFormReport::load() {
    shops_.clear();
    items_.clear();
    const auto run = [this](const QStringList& lines) {
        query_.close();
        query_.clearSql();
        for (const QString& l : lines)
            query_.addSql(l);
        query_.open();
    };
    run(shopsSql());
    for (query_.first(); !query_.eof(); query_.next())
        shops_.push_back({query_.field(QStringLiteral("ShopID")).asInteger(),
                          query_.field(QStringLiteral("ShopName")).asString()});
    query_.close();
    if (shops_.empty())
        return QStringLiteral("There are no shops to print.");

    run(itemsSql(sortByCategory_));
    for (query_.first(); !query_.eof(); query_.next())
        items_.push_back({query_.field(QStringLiteral("ProdID")).asInteger(),
                          query_.field(QStringLiteral("ProdName")).asString(),
                          query_.field(QStringLiteral("ShopID")).asInteger(),
                          static_cast<float>(query_.field(QStringLiteral("Price")).asFloat()),
                          query_.field(QStringLiteral("Size")).asString() +
                              query_.field(QStringLiteral("UnitOfMeasure")).asString()});
    query_.close();
    if (items_.empty())
        return QStringLiteral("There are no items to print.");
    return QString();
}

void PriceFormReport::draw(Canvas& canvas, const QFont& font, const QColor& color) {
    canvas.setFont(font);
    canvas.setFontColor(color);
    canvas.setBrushStyle(Canvas::BrushStyle::Clear);
    const PriceFormGeometry g = measurePriceForm(canvas, shops_, items_, canvas.size().width());
    drawPriceForm(canvas, g, shops_, items_, canvas.size().height());
}

PriceFormGeometry measurePriceForm(const Canvas& c, const std::vector<PriceFormShop>& shops,
                                   const std::vector<PriceFormItem>& items, int pageWidth) {
    PriceFormGeometry g;
    g.lineHeight = nearest(1.2 * c.textHeight(QStringLiteral("W")));
    g.margin = c.textWidth(QStringLiteral("WWWW"));
    g.h = c.textWidth(QStringLiteral("W")) / 2;
    g.productX = g.margin + g.h;
    g.decimalRoom = c.textWidth(QStringLiteral("99")) + 2 * g.h;
    g.firstColumnX = -1;
    g.integerRoom = -1;
    g.columnWidth = -1;
    for (const PriceFormItem& row : items) {
        const QString price = priceText(row.price);
        g.firstColumnX = std::max(g.firstColumnX, c.textWidth(row.productName) + g.productX + g.h);
        g.integerRoom = std::max(g.integerRoom, c.textWidth(integerPart(price)) + g.h);
        g.columnWidth = std::max(g.columnWidth, c.textWidth(row.size) + c.textWidth(price) + 3 * g.h);
    }
    for (const PriceFormShop& shop : shops)
        g.columnWidth = std::max(g.columnWidth, c.textWidth(shop.name) + 2 * g.h);
    const int fit = g.columnWidth > 0 ? (pageWidth - g.margin - g.firstColumnX) / g.columnWidth : 1;
    g.columnsPerPage = std::max(1, std::min(fit, static_cast<int>(shops.size())));
    return g;
}

std::vector<std::pair<int, int>> priceFormGroups(int shopCount, int columnsPerPage) {
    const int per = std::max(1, columnsPerPage);
    std::vector<std::pair<int, int>> groups;
    for (int j0 = 0; j0 < shopCount; j0 += per)
        groups.emplace_back(j0, std::min(j0 + per - 1, shopCount - 1));
    return groups;
}

void drawPriceForm(Canvas& canvas, const PriceFormGeometry& g, const std::vector<PriceFormShop>& shops,
                   const std::vector<PriceFormItem>& items, int pageHeight) {
    const auto groups = priceFormGroups(static_cast<int>(shops.size()), g.columnsPerPage);
    for (size_t i = 0; i < groups.size(); ++i) {
        if (i > 0)
            canvas.newPage();
        GroupPrinter(canvas, g, shops, pageHeight, groups[i].first, groups[i].second).print(items);
    }
}
