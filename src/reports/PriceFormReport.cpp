#include "PriceFormReport.h"

#include "Canvas.h"
#include "PriceLog.h"
#include "Query.h"
#include "ReportLayout.h"

#include <algorithm>

namespace reports {

namespace {

// The part of a price text before its first "."; none at all when it has no ".".
QString integerPart(const QString& text) {
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : text.left(dot);
}

// The pages of one group of shop columns.
class GroupPrinter {
public:
    GroupPrinter(ReportLayout& layout, const PriceFormGeometry& g, const std::vector<PriceFormShop>& shops,
                 const QLocale& locale, int j0, int j1)
        : l_(layout), g_(g), shops_(shops), locale_(locale), j0_(j0), j1_(j1),
          right_(g.columnX(j1) + g.columnWidth) {}

    // Rows with dates take two lines: the prices, then their dates.
    void setDates(bool dates) { rowLines_ = dates ? 2 : 1; }

    void print(const std::vector<PriceFormItem>& items) {
        l_.Line = 1;
        productLine_ = -1;
        heading();
        int product = -1;
        for (const PriceFormItem& row : items) {
            if (row.productId != product) {
                flush(row);
                if (product != -1)
                    l_.Line += rowLines_ - 1;
                l_.NextLine();
                l_.RowRule(g_.margin, right_);
                if (l_.NeedsNewPage(rowLines_ - 1)) {
                    verticals();
                    l_.NewPage();
                    heading();
                    l_.NextLine();
                    l_.RowRule(g_.margin, right_);
                }
                l_.TextAt(g_.productX, row.productName);
                product = row.productId;
                productLine_ = l_.Line;
            } else if (row.shopId != pending_.shopId) {
                flush(row);
            } else if (row.price != 0.0f && (pending_.price == 0.0f || row.price < pending_.price)) {
                // The same product type again at the same shop: the cheapest non-zero price wins.
                pending_.price = row.price;
                pending_.size = row.size;
                pending_.date = row.date;
            }
        }
        flush(PriceFormItem());
        if (product != -1)
            l_.Line += rowLines_ - 1;
        l_.NextLine();
        l_.RowRule(g_.margin, right_);
        verticals();
    }

private:
    void heading() {
        l_.RowRule(g_.margin, right_);
        const int top = l_.LineTop();
        l_.TextAt(g_.productX, QStringLiteral("Product"));
        for (int j = j0_; j <= j1_; ++j) {
            const int x = g_.columnX(j);
            l_.canvas().textRect(
                Canvas::edges(x + g_.h, top, x + g_.columnWidth - g_.h / 2, top + g_.lineHeight), x + g_.h,
                top, shops_[static_cast<size_t>(j)].name);
        }
        l_.NextLine();
        l_.RowRule(g_.margin, right_);
    }

    // From just above line 1 to just above the line after the page's last product row.
    void verticals() {
        const int delta = nearest(g_.lineHeight / 9.5);
        const int y1 = l_.LineTop(1) - delta, y2 = l_.LineTop(productLine_ + rowLines_) - delta;
        Canvas& c = l_.canvas();
        c.line(g_.margin, y1, g_.margin, y2);
        for (int j = j0_; j <= j1_; ++j)
            c.line(g_.columnX(j), y1, g_.columnX(j), y2);
        c.line(right_, y1, right_, y2);
    }

    // Prints the pending cell when its shop is one of this group's, then starts the next from the row.
    void flush(const PriceFormItem& row) {
        if (pending_.shopId != -1) {
            const auto shop = std::find_if(shops_.begin(), shops_.end(), [this](const PriceFormShop& s) {
                return s.id == pending_.shopId;
            });
            const int index = shop == shops_.end() ? -1 : static_cast<int>(shop - shops_.begin());
            if (index >= j0_ && index <= j1_) {
                const int x = g_.columnX(index) + g_.integerRoom;
                const QString price = amountText(pending_.price, locale_);
                if (price != QLatin1String("0.00"))
                    l_.DecimalText(x, price);
                l_.TextAt(x + g_.decimalRoom, pending_.size);
                if (rowLines_ > 1 && !pending_.date.isEmpty()) {
                    ++l_.Line;
                    l_.TextAt(g_.columnX(index) + g_.h, pending_.date);
                    --l_.Line;
                }
            }
        }
        pending_ = row;
    }

    ReportLayout& l_;
    const PriceFormGeometry& g_;
    const std::vector<PriceFormShop>& shops_;
    const QLocale& locale_;
    int j0_, j1_, right_;
    int productLine_ = -1;
    int rowLines_ = 1;
    PriceFormItem pending_;
};

} // namespace

PriceFormReport::PriceFormReport(ReportSource& source) : Report(source) {}

QStringList PriceFormReport::shopsSql() {
    return {QStringLiteral("SELECT *"), QStringLiteral("FROM Shops"), QStringLiteral("ORDER BY ShopName")};
}

QStringList PriceFormReport::itemsSql(bool sortByCategory, bool withDates) {
    const QString select =
        withDates
            ? QStringLiteral(
                  "SELECT *, (SELECT max(L.PriceDate) FROM PriceLog L WHERE L.Item = I.ItemID) AS PriceDate")
            : QStringLiteral("SELECT *");
    if (sortByCategory)
        return {
            select, QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
            QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID) AND (C.CatID = P.Category)"),
            QStringLiteral("ORDER BY C.CatName, P.ProdName, S.ShopName")};
    return {select, QStringLiteral("FROM Items I, Products P, Shops S"),
            QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID)"),
            QStringLiteral("ORDER BY P.ProdName, S.ShopName")};
}

QString PriceFormReport::prepare() {
    shops_.clear();
    items_.clear();
    ReportQuery q(*source().query);
    if (q.run(shopsSql())) {
        const engine::Field id = q.field(QStringLiteral("ShopID")),
                            name = q.field(QStringLiteral("ShopName"));
        for (; !q.eof(); q.next())
            shops_.push_back({id.asInteger(), name.asString()});
    }
    q.close();
    if (shops_.empty())
        return QStringLiteral("There are no shops to print.");

    // A database without its log has no dates to print.
    const bool dates = settings().pcfDates && PriceLog::exists(*source().query->database());
    if (q.run(itemsSql(settings().pcfSortCat, dates))) {
        const engine::Field prodId = q.field(QStringLiteral("ProdID")),
                            prodName = q.field(QStringLiteral("ProdName")),
                            shopId = q.field(QStringLiteral("ShopID")),
                            price = q.field(QStringLiteral("Price")), size = q.field(QStringLiteral("Size")),
                            unit = q.field(QStringLiteral("UnitOfMeasure"));
        for (; !q.eof(); q.next()) {
            QString date;
            if (dates) {
                const QDateTime when = PriceLog::parseDate(q.field(QStringLiteral("PriceDate")).asString());
                if (when.isValid())
                    date = source().locale.toString(when.date(), QLocale::ShortFormat);
            }
            items_.push_back({prodId.asInteger(), prodName.asString(), shopId.asInteger(),
                              static_cast<float>(price.asFloat()), size.asString() + unit.asString(), date});
        }
    }
    q.close();
    if (items_.empty())
        return QStringLiteral("There are no items to print.");
    return QString();
}

void PriceFormReport::print(Canvas& canvas) {
    startFont(canvas, PriceComparisonFont);
    canvas.beginDocument(title());
    const PriceFormGeometry g =
        measurePriceForm(canvas, shops_, items_, canvas.size().width(), source().locale);
    drawPriceForm(canvas, g, shops_, items_, source().locale);
    canvas.endDocument();
}

PriceFormGeometry measurePriceForm(const Canvas& c, const std::vector<PriceFormShop>& shops,
                                   const std::vector<PriceFormItem>& items, int pageWidth,
                                   const QLocale& locale) {
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
        const QString price = amountText(row.price, locale);
        g.firstColumnX = std::max(g.firstColumnX, c.textWidth(row.productName) + g.productX + g.h);
        g.integerRoom = std::max(g.integerRoom, c.textWidth(integerPart(price)) + g.h);
        g.columnWidth = std::max(g.columnWidth, c.textWidth(row.size) + c.textWidth(price) + 3 * g.h);
        g.columnWidth = std::max(g.columnWidth, c.textWidth(row.date) + 2 * g.h);
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
                   const std::vector<PriceFormItem>& items, const QLocale& locale) {
    ReportLayout layout(canvas);
    layout.LineHeight = g.lineHeight;
    layout.LeftMargin = layout.RightMargin = g.margin;
    layout.TopMargin = layout.BottomMargin = 4 * g.lineHeight;
    const auto groups = priceFormGroups(static_cast<int>(shops.size()), g.columnsPerPage);
    for (size_t i = 0; i < groups.size(); ++i) {
        if (i > 0)
            layout.NewPage();
        GroupPrinter printer(layout, g, shops, locale, groups[i].first, groups[i].second);
        printer.setDates(std::any_of(items.begin(), items.end(),
                                     [](const PriceFormItem& item) { return !item.date.isEmpty(); }));
        printer.print(items);
    }
}

} // namespace reports
