#include "SequencePanel.h"

#include "AisleHintWindow.h"
#include "AisleSequence.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>

namespace {

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
        p.setBrush(QColor(220, 0, 0));
        const int w = width(), h = height();
        if (kind_ == UpDown) {
            const int cx = w - 8;
            p.drawRect(cx - 2, 10, 4, h - 20);
            p.drawPolygon(QPolygon({QPoint(cx - 7, 11), QPoint(cx + 7, 11), QPoint(cx, 0)}));
            p.drawPolygon(QPolygon({QPoint(cx - 7, h - 11), QPoint(cx + 7, h - 11), QPoint(cx, h)}));
            p.setPen(Qt::black);
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
    for (TaggedListBox* list : {AislesLB, AisleCatLB})
        list->setDragHandler(this);
    AislesLB->setGeometry(61, 46, 187, 300);
    AisleCatLB->setGeometry(359, 46, 187, 300);
    label(QStringLiteral("Aisle &sequence in this shop"), this, AislesLB)->move(61, 26);
    label(QStringLiteral("Available &categories"), this, AisleCatLB)->move(359, 26);

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
    for (const auto& e : store_.availableCategories(shop))
        AisleCatLB->addEntry(e.id, e.name);
}

void SequencePanel::resizeEvent(QResizeEvent*) {
    const int h = std::max(40, height() - 46 - 8);
    AislesLB->resize(AislesLB->width(), h);
    AisleCatLB->resize(AisleCatLB->width(), h);
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
