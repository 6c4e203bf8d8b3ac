#include "SequencePanel.h"

#include "AisleHintWindow.h"
#include "AisleSequence.h"
#include "SearchBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kCatListTop = 74; // under the available list's search box

// A red arrow, or the two-headed one of the re-sequence picture with its words along it.
class ArrowPicture : public QWidget {
public:
    enum Kind { Left, Right, UpDown };
    ArrowPicture(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        // Red, a lighter red on a dark scheme's background.
        const bool dark = palette().color(QPalette::Window).lightness() < 128;
        p.setBrush(dark ? QColor(240, 80, 80) : QColor(220, 0, 0));
        const int w = width(), h = height();
        if (kind_ == UpDown) {
            const int cx = w - 8;
            p.drawRect(cx - 2, 10, 4, h - 20);
            p.drawPolygon(QPolygon({QPoint(cx - 7, 11), QPoint(cx + 7, 11), QPoint(cx, 0)}));
            p.drawPolygon(QPolygon({QPoint(cx - 7, h - 11), QPoint(cx + 7, h - 11), QPoint(cx, h)}));
            p.setPen(palette().color(QPalette::WindowText));
            p.translate(cx - 10, h / 2);
            p.rotate(-90);
            const QString text = QStringLiteral("Drag to resequence");
            p.drawText(-p.fontMetrics().horizontalAdvance(text) / 2, 0, text);
            return;
        }
        const int cy = h / 2;
        const bool left = kind_ == Left;
        p.drawRect(left ? 10 : 0, cy - 2, w - 10, 4);
        const int tip = left ? 0 : w;
        const int base = left ? 11 : w - 11;
        p.drawPolygon(QPolygon({QPoint(base, cy - 7), QPoint(base, cy + 7), QPoint(tip, cy)}));
    }

private:
    Kind kind_;
};

QLabel* label(const QString& text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* l = new QLabel(text, parent);
    if (buddy)
        l->setBuddy(buddy);
    l->adjustSize();
    return l;
}

} // namespace

SequencePanel::SequencePanel(AisleSequence& store, AisleHintWindow& hint, QWidget* parent)
    : QWidget(parent), store_(store), hint_(hint) {
    setObjectName(QStringLiteral("SequenceTabSheet"));
    setMouseTracking(true);
    AislesLB = new TaggedListBox(true, this);
    AislesLB->setObjectName(QStringLiteral("AislesLB"));
    AisleCatLB = new TaggedListBox(false, this);
    AisleCatLB->setObjectName(QStringLiteral("AisleCatLB"));
    for (TaggedListBox* list : {AislesLB, AisleCatLB}) {
        list->setDragHandler(this);
        list->installEventFilter(this);
    }
    AislesLB->setGeometry(61, 46, 187, 300);
    // The search box of the available list stands where that list starts; the list follows under it.
    AisleCatSearch = new ui::SearchBox(this, QStringLiteral("Search categories"), this);
    AisleCatSearch->setObjectName(QStringLiteral("AisleCatSearch"));
    AisleCatSearch->setAccessibleName(QStringLiteral("Search available categories"));
    AisleCatSearch->setList(AisleCatLB);
    AisleCatSearch->setGeometry(359, 46, 187, AisleCatSearch->sizeHint().height());
    AisleCatLB->setGeometry(359, kCatListTop, 187, 300);
    connect(AisleCatSearch, &ui::SearchBox::searchChanged, this, [this] { fillAvailable(); });
    setTabOrder(AislesLB, AisleCatSearch);
    setTabOrder(AisleCatSearch, AisleCatLB);
    label(QStringLiteral("&Aisle sequence in this shop"), this, AislesLB)->move(61, 26);
    label(QStringLiteral("Available &categories"), this, AisleCatLB)->move(359, 26);
    AislesLB->setAccessibleName(QStringLiteral("Aisle sequence in this shop"));
    AislesLB->setAccessibleDescription(
        QStringLiteral("Alt+Up and Alt+Down move the selected aisles, Delete deletes them"));
    AisleCatLB->setAccessibleName(QStringLiteral("Available categories"));
    AisleCatLB->setAccessibleDescription(
        QStringLiteral("Insert or Enter adds the selected categories after the current aisle"));

    const auto centred = [this](const QString& text, int top) {
        auto* l = new QLabel(text, this);
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setWordWrap(true);
        // Two lines must fit above the arrow whatever the desktop's font: a smaller size and the whole gap.
        QFont small = l->font();
        small.setPointSizeF(std::min(small.pointSizeF(), 8.0));
        l->setFont(small);
        l->setGeometry(256, top, 96, 30);
        return l;
    };
    centred(QStringLiteral("Drag this way to add aisles"), 62);
    (new ArrowPicture(ArrowPicture::Left, this))->setGeometry(275, 94, 58, 16);
    centred(QStringLiteral("Drag this way to delete aisles"), 123);
    (new ArrowPicture(ArrowPicture::Right, this))->setGeometry(275, 155, 58, 16);
    (new ArrowPicture(ArrowPicture::UpDown, this))->setGeometry(24, 77, 32, 200);

    ScrollTimer = new QTimer(this);
    ScrollTimer->setObjectName(QStringLiteral("ScrollTimer"));
    ScrollTimer->setInterval(400);
    connect(ScrollTimer, &QTimer::timeout, this, &SequencePanel::ScrollTimerTimer);
    connect(AislesLB, &TaggedListBox::pointerMoved, this, &SequencePanel::AislesLBMouseMove);
    reload_ = [this] { SequenceTabSheetShow(shop_); };
}

void SequencePanel::SequenceTabSheetShow(int shop) {
    shop_ = shop;
    HoverIndex = -1;
    AislesLB->clear();
    AisleCatLB->clear();
    if (shop < 0)
        return;
    for (const auto& e : store_.aisleEntries(shop))
        AislesLB->addEntry(e.id, e.name, e.onFloorPlan);
    fillAvailable();
}

void SequencePanel::fillAvailable() {
    AisleCatLB->clear();
    if (shop_ < 0)
        return;
    for (const auto& e : store_.availableCategories(shop_, AisleCatSearch->searchText()))
        AisleCatLB->addEntry(e.id, e.name);
}

void SequencePanel::resizeEvent(QResizeEvent*) {
    const int h = std::max(40, height() - 46 - 8);
    AislesLB->resize(AislesLB->width(), h);
    AisleCatLB->resize(AisleCatLB->width(), std::max(40, height() - kCatListTop - 8));
}

void SequencePanel::startDrag(TaggedListBox*) {
    hint_.HideHintWindow();
    InsertionLineY = -1;
}

bool SequencePanel::over(QWidget* w, QPoint global) const {
    return w->isVisible() && w->rect().contains(w->mapFromGlobal(global));
}

bool SequencePanel::dragOver(TaggedListBox* source, QPoint global) {
    if (source != AislesLB && source != AisleCatLB) {
        StopScrollTimer();
        return false;
    }
    if (over(AislesLB, global)) {
        StopScrollTimer();
        RedrawDrag(AislesLB->viewport()->mapFromGlobal(global).y(), true, true);
        return true;
    }
    if (over(AisleCatLB, global)) {
        StopScrollTimer();
        if (source != AislesLB)
            return false;
        RedrawDrag(AisleCatLB->viewport()->mapFromGlobal(global).y(), true, false);
        InsertionLineY = -1;
        return true;
    }
    if (over(this, global)) {
        // Above or below the aisle list: scroll it while the pointer stays there.
        const QPoint p = mapFromGlobal(global);
        const QRect list = AislesLB->geometry();
        if (list.left() < p.x() && p.x() < list.left() + list.width()) {
            if (p.y() < list.top()) {
                startScroll(p.y() - list.top());
                return false;
            }
            if (p.y() > list.top() + list.height()) {
                startScroll(p.y() - list.top() - list.height());
                return false;
            }
        }
    }
    StopScrollTimer();
    return false;
}

void SequencePanel::startScroll(int direction) {
    ScrollDirection = direction;
    if (!ScrollTimer->isActive())
        ScrollTimer->start(); // keeps its current interval
}

void SequencePanel::dragDrop(TaggedListBox* source, QPoint global) {
    const std::vector<int> ids = source->selectedIds();
    if (over(AislesLB, global)) {
        const int t = AislesLB->rowAt(AislesLB->viewport()->mapFromGlobal(global));
        const SequenceDropPoint at = t < 0    ? SequenceDropPoint::append()
                                     : t == 0 ? SequenceDropPoint::first()
                                              : SequenceDropPoint::after(AislesLB->entryId(t - 1));
        const std::vector<int> handled = store_.drop(shop_, at, ids, source == AisleCatLB);
        reload_();
        InsertionLineY = -1;
        AislesLB->selectIds(QSet<int>(handled.begin(), handled.end()));
    } else if (source == AislesLB && over(AisleCatLB, global)) {
        store_.remove(shop_, ids);
        reload_();
        InsertionLineY = -1;
        AisleCatLB->selectIds(QSet<int>(ids.begin(), ids.end()));
    }
}

SequencePanel::KeyCommand SequencePanel::keyCommand(QObject* list, const QKeyEvent* key) const {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (list == AislesLB) {
        const bool moveKey = mods == Qt::AltModifier || mods == Qt::ControlModifier;
        if (moveKey && key->key() == Qt::Key_Up)
            return KeyCommand::MoveUp;
        if (moveKey && key->key() == Qt::Key_Down)
            return KeyCommand::MoveDown;
        if (mods == Qt::NoModifier && key->key() == Qt::Key_Delete)
            return KeyCommand::Remove;
    } else if (list == AisleCatLB && mods == Qt::NoModifier) {
        if (key->key() == Qt::Key_Insert || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return KeyCommand::Add;
    }
    return KeyCommand::None;
}

bool SequencePanel::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    const KeyCommand command = keyCommand(watched, static_cast<QKeyEvent*>(event));
    if (command == KeyCommand::None)
        return QWidget::eventFilter(watched, event);
    event->accept();
    if (!press)
        return false; // the key comes to the list as a key press, ahead of any shortcut
    switch (command) {
    case KeyCommand::MoveUp:
        moveSelectedAisles(true);
        break;
    case KeyCommand::MoveDown:
        moveSelectedAisles(false);
        break;
    case KeyCommand::Remove:
        removeSelectedAisles();
        break;
    case KeyCommand::Add:
        addSelectedCategories();
        break;
    case KeyCommand::None:
        break;
    }
    return true;
}

void SequencePanel::setCurrentRow(TaggedListBox* list, int row) {
    if (row < 0 || row >= list->count())
        return;
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::NoUpdate);
    list->scrollToItem(list->item(row));
}

void SequencePanel::moveSelectedAisles(bool up) {
    const std::vector<int> ids = AislesLB->selectedIds();
    if (shop_ < 0 || ids.empty())
        return;
    const std::vector<int> moved = store_.move(shop_, ids, up);
    if (moved.empty())
        return;
    reload_();
    AislesLB->selectIds(QSet<int>(moved.begin(), moved.end()));
    const std::vector<int> rows = AislesLB->selectedRows();
    if (!rows.empty())
        setCurrentRow(AislesLB, up ? rows.front() : rows.back());
}

void SequencePanel::removeSelectedAisles() {
    const std::vector<int> ids = AislesLB->selectedIds();
    if (shop_ < 0 || ids.empty())
        return;
    const int first = AislesLB->selectedRows().front();
    store_.remove(shop_, ids);
    reload_();
    AisleCatLB->selectIds(QSet<int>(ids.begin(), ids.end()));
    // The aisle that took the place of the first deleted one is next in line, as in any list.
    const int next = std::min(first, AislesLB->count() - 1);
    if (next >= 0) {
        AislesLB->item(next)->setSelected(true);
        setCurrentRow(AislesLB, next);
    }
}

void SequencePanel::addSelectedCategories() {
    const std::vector<int> ids = AisleCatLB->selectedIds();
    if (shop_ < 0 || ids.empty())
        return;
    // After the aisle the aisle list stands on, or at the end when it stands on none or on the last.
    const int current = AislesLB->currentRow();
    const SequenceDropPoint at = current < 0 || current >= AislesLB->count() - 1
                                     ? SequenceDropPoint::append()
                                     : SequenceDropPoint::after(AislesLB->entryId(current));
    const int first = AisleCatLB->selectedRows().front();
    const std::vector<int> added = store_.drop(shop_, at, ids, true);
    reload_();
    AislesLB->selectIds(QSet<int>(added.begin(), added.end()));
    const std::vector<int> rows = AislesLB->selectedRows();
    if (!rows.empty())
        setCurrentRow(AislesLB, rows.back()); // the next additions follow these
    const int next = std::min(first, AisleCatLB->count() - 1);
    if (next >= 0) {
        AisleCatLB->item(next)->setSelected(true);
        setCurrentRow(AisleCatLB, next);
    }
}

void SequencePanel::endDrag(TaggedListBox*) {
    StopScrollTimer();
    AislesLB->setDropLine(-1);
}

void SequencePanel::RedrawDrag(int y, bool erase, bool draw) {
    if (erase && InsertionLineY > -1)
        AislesLB->setDropLine(-1);
    const int h = AislesLB->itemHeight();
    const int n = AislesLB->count();
    const int pos = (n < AislesLB->rowsThatFit() && y > n * h) ? n * h : (y / h) * h;
    InsertionLineY = pos;
    if (draw)
        AislesLB->setDropLine(pos);
}

void SequencePanel::ScrollTimerTimer() {
    ScrollTimer->setInterval(180);
    const int top = AislesLB->topRow() + (ScrollDirection > 0 ? 1 : -1);
    const int n = AislesLB->count();
    if (top >= 0 && top < n && n > AislesLB->rowsThatFit()) {
        const int line = AislesLB->dropLine();
        AislesLB->setDropLine(-1);
        AislesLB->setTopRow(top);
        AislesLB->setDropLine(line);
    } else {
        StopScrollTimer();
    }
}

void SequencePanel::StopScrollTimer() {
    ScrollTimer->stop();
    ScrollTimer->setInterval(400);
}

void SequencePanel::AislesLBMouseMove(QPoint pos) {
    if (AislesLB->count() == 0 || AislesLB->dragging() || AisleCatLB->dragging()) {
        hint_.HideHintWindow();
        return;
    }
    const int i = AislesLB->rowAt(pos);
    if (pos.x() >= AislesLB->markerSize()) {
        HoverIndex = -1;
        hint_.HideHintWindow();
        return;
    }
    if (i == HoverIndex)
        return;
    if (i >= 0 && AislesLB->onFloorPlan(i)) {
        if (hint_.showing())
            return;
        HoverIndex = i;
        hint_.ActivateHint(AislesLB->viewport(), pos, QStringLiteral("On the floor plan"));
        return;
    }
    hint_.HideHintWindow();
}

void SequencePanel::mouseMoveEvent(QMouseEvent* event) {
    hint_.HideHintWindow();
    QWidget::mouseMoveEvent(event);
}
