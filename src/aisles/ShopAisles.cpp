#include "ShopAisles.h"

#include "Database.h"
#include "Table.h"

#include <algorithm>
#include <cmath>

using engine::Value;

namespace {
const QString kAisles = QStringLiteral("Aisles");
const QString kShop = QStringLiteral("Shop");
const QString kCategory = QStringLiteral("Category");

Value intValue(int v) {
    return Value{std::int64_t{v}};
}
} // namespace

int ShopAisles::indexOf(const FloorAisle* aisle) const {
    for (size_t i = 0; i < aisles_.size(); ++i)
        if (aisles_[i].get() == aisle)
            return static_cast<int>(i);
    return -1;
}

FloorAisle& ShopAisles::append(const FloorAisle& aisle) {
    aisles_.push_back(std::make_unique<FloorAisle>(aisle));
    FloorAisle& added = *aisles_.back();
    added.Selected = false;
    return added;
}

void ShopAisles::clear() {
    selected_.clear();
    aisles_.clear();
}

void ShopAisles::select(int index) {
    FloorAisle& a = at(index);
    if (a.Selected)
        return;
    a.Selected = true;
    selected_.push_back(&a);
}

void ShopAisles::deselect(int index) {
    FloorAisle& a = at(index);
    a.Selected = false;
    selected_.erase(std::remove(selected_.begin(), selected_.end(), &a), selected_.end());
}

void ShopAisles::toggle(int index) {
    if (at(index).Selected)
        deselect(index);
    else
        select(index);
}

void ShopAisles::selectOnly(int index) {
    clearSelection();
    select(index);
}

void ShopAisles::clearSelection() {
    for (FloorAisle* a : selected_)
        a->Selected = false;
    selected_.clear();
}

void ShopAisles::selectAllPlaced() {
    clearSelection();
    for (int i = 0; i < count(); ++i)
        if (at(i).placed())
            select(i);
}

int ShopAisles::placedCount() const {
    return static_cast<int>(
        std::count_if(aisles_.begin(), aisles_.end(), [](const auto& a) { return a->placed(); }));
}

int ShopAisles::hitTest(QPoint p) const {
    for (int i = 0; i < count(); ++i) {
        const FloorAisle& a = at(i);
        if (a.placed() && a.left() <= p.x() && p.x() < a.right() && a.top() <= p.y() && p.y() < a.bottom())
            return i;
    }
    return -1;
}

bool ShopAisles::moveSelection(int dx, int dy) {
    for (const FloorAisle* a : selected_)
        if (std::int64_t(a->left()) + dx < 0 || std::int64_t(a->top()) + dy < 0)
            return false;
    for (FloorAisle* a : selected_) {
        a->RectLeft += dx;
        a->RectRight += dx;
        a->RectTop += dy;
        a->RectBottom += dy;
    }
    return true;
}

bool ShopAisles::resizeSelected(Handle handle, int dx, int dy) {
    if (selected_.size() != 1)
        return false;
    FloorAisle& a = *selected_.front();
    // The origin test looks at the aisle's left and top edges moved by the step, whichever handle is dragged.
    // The handles sit on the corners as drawn, so an inverted rectangle is resized as the area it shows.
    if (std::int64_t(a.left()) + dx < 0 || std::int64_t(a.top()) + dy < 0)
        return false;
    int left = a.left(), top = a.top(), right = a.right(), bottom = a.bottom();
    const bool moveLeft = handle == Handle::TopLeft || handle == Handle::BottomLeft;
    const bool moveTop = handle == Handle::TopLeft || handle == Handle::TopRight;
    (moveLeft ? left : right) += dx;
    (moveTop ? top : bottom) += dy;
    if (left >= right || top >= bottom)
        return false;
    a.RectLeft = left;
    a.RectTop = top;
    a.RectRight = right;
    a.RectBottom = bottom;
    return true;
}

bool ShopAisles::growSelection(int dw, int dh) {
    for (const FloorAisle* a : selected_)
        if (a->RectRight + dw <= a->RectLeft || a->RectBottom + dh <= a->RectTop)
            return false;
    for (FloorAisle* a : selected_) {
        a->RectRight += dw;
        a->RectBottom += dh;
    }
    return true;
}

int ShopAisles::unplaceSelected() {
    const int n = selectedCount();
    for (FloorAisle* a : selected_) {
        // As an aisle that was never placed: the table keeps no rectangle for it.
        a->RectLeft = -1;
        a->RectTop = a->RectRight = a->RectBottom = 0;
    }
    clearSelection();
    return n;
}

int ShopAisles::nextPlaced(int from, bool forward) const {
    const int n = count();
    for (int step = 1; step <= n; ++step) {
        const int i =
            from < 0 ? (forward ? step - 1 : n - step) : ((from + (forward ? step : -step)) % n + n) % n;
        if (at(i).placed())
            return i;
    }
    return -1;
}

void ShopAisles::moveAfter(int anchor, int index) {
    if (anchor < 0 || anchor >= count() || index < 0 || index >= count() || index == anchor ||
        index == anchor + 1)
        return;
    auto moved = std::move(aisles_[static_cast<size_t>(index)]);
    aisles_.erase(aisles_.begin() + index);
    const int at = index < anchor ? anchor : anchor + 1;
    aisles_.insert(aisles_.begin() + at, std::move(moved));
}

int ShopAisles::placeColumn(QPoint plan, const std::vector<int>* categories) {
    const int x0 = gridFloor(plan.x());
    int y = gridFloor(plan.y());
    clearSelection();
    int placed = 0;
    const auto place = [&](int i) {
        FloorAisle& a = at(i);
        a.RectLeft = x0;
        a.RectTop = y;
        a.RectRight = x0 + 5 * GridStep;
        a.RectBottom = y + GridStep;
        select(i);
        y += 2 * GridStep;
        ++placed;
    };
    if (!categories) {
        for (int i = 0; i < count(); ++i)
            if (!at(i).placed())
                place(i);
        return placed;
    }
    for (int id : *categories)
        for (int i = 0; i < count(); ++i)
            if (at(i).Category == id && !at(i).placed())
                place(i);
    return placed;
}

int ShopAisles::maxRight() const {
    int m = 0;
    for (const auto& a : aisles_)
        m = std::max(m, a->right());
    return m;
}

int ShopAisles::maxBottom() const {
    int m = 0;
    for (const auto& a : aisles_)
        m = std::max(m, a->bottom());
    return m;
}

int ShopAisles::gridDelta(int pixels) {
    return static_cast<int>(std::nearbyint(static_cast<double>(pixels) / GridStep)) * GridStep;
}

void ShopAisles::load(engine::Database& db, int shop) {
    clear();
    engine::Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    engine::Table aisles(&db, kAisles);
    aisles.setIndexName(QStringLiteral("IdxSeq"));
    aisles.open();
    aisles.findNearest({intValue(shop)});
    while (!aisles.eof() && aisles.field(kShop).asInteger() == shop) {
        FloorAisle a;
        a.RectLeft = aisles.field(QStringLiteral("RectLeft")).asInteger();
        a.RectTop = aisles.field(QStringLiteral("RectTop")).asInteger();
        a.RectRight = aisles.field(QStringLiteral("RectRight")).asInteger();
        a.RectBottom = aisles.field(QStringLiteral("RectBottom")).asInteger();
        a.Category = aisles.field(kCategory).asInteger();
        if (cats.findKey({intValue(a.Category)}))
            a.CatName = cats.field(QStringLiteral("CatName")).asString();
        append(a);
        aisles.next();
    }
}

void ShopAisles::writeBack(engine::Database& db, int shop) {
    if (shop >= 0) {
        // Delete and re-append as one unit: a failure half-way must not lose the shop's plan and order.
        engine::Transaction tx(db);
        engine::Table aisles(&db, kAisles);
        aisles.open();
        aisles.findNearest({intValue(shop), intValue(-1)});
        while (!aisles.eof() && aisles.field(kShop).asInteger() == shop)
            aisles.deleteRecord();
        for (int p = 0; p < count(); ++p) {
            const FloorAisle& a = at(p);
            aisles.append();
            aisles.field(kShop).setInteger(shop);
            aisles.field(kCategory).setInteger(a.Category);
            aisles.field(QStringLiteral("Sequence")).setFloat(100.0 + 10.0 * p);
            aisles.field(QStringLiteral("RectLeft")).setInteger(a.RectLeft);
            aisles.field(QStringLiteral("RectTop")).setInteger(a.RectTop);
            aisles.field(QStringLiteral("RectRight")).setInteger(a.RectRight);
            aisles.field(QStringLiteral("RectBottom")).setInteger(a.RectBottom);
            aisles.post();
        }
        aisles.close();
        tx.commit();
    }
    clear();
}

void ShopAisles::deleteSelected(engine::Database& db, int shop) {
    if (selected_.empty())
        return;
    {
        engine::Transaction tx(db);
        engine::Table aisles(&db, kAisles);
        aisles.open();
        for (const FloorAisle* a : selected_)
            if (aisles.findKey({intValue(shop), intValue(a->Category)}))
                aisles.deleteRecord();
        aisles.close();
        tx.commit();
    }
    while (!selected_.empty()) {
        FloorAisle* a = selected_.front();
        selected_.erase(selected_.begin());
        const int i = indexOf(a);
        if (i >= 0)
            aisles_.erase(aisles_.begin() + i);
    }
}
