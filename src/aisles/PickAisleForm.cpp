#include "PickAisleForm.h"

#include "FloorplanPanel.h"
#include "FloorplanView.h"
#include "Helpers.h"

#include <QKeyEvent>

PickAisleForm::PickAisleForm(FloorplanPanel& plan, std::function<QString()> shopEntry, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      plan_(plan), shopEntry_(std::move(shopEntry)) {
    setObjectName(QStringLiteral("PickAisleForm"));
    setWindowTitle(QStringLiteral("Unplaced aisles"));
    setModal(false);
    setMinimumSize(100, 100);
    setMaximumWidth(280);
    resize(280, 262);
    move(0, 0);
    AislesLB = new TaggedListBox(false, this);
    AislesLB->setObjectName(QStringLiteral("AislesLB"));
    AislesLB->setDragHandler(this);
    AislesLB->setAccessibleName(QStringLiteral("Unplaced aisles"));
    AislesLB->installEventFilter(this);
}

bool PickAisleForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == AislesLB &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool place =
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Insert);
        if (place) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                placeSelected();
            return event->type() == QEvent::KeyPress;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PickAisleForm::placeSelected() {
    const std::vector<int> ids = AislesLB->selectedIds();
    if (ids.empty())
        return;
    plan_.FloorPlanDragDrop(QPoint(ShopAisles::GridStep, ShopAisles::GridStep), ids);
    AislesLB->removeSelectedEntries();
}

void PickAisleForm::resizeEvent(QResizeEvent*) {
    AislesLB->setGeometry(rect());
}

void PickAisleForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
    emit visibilityChanged(true);
}

void PickAisleForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    emit visibilityChanged(false);
}

void PickAisleForm::FormShow() {
    AislesLB->clear();
    setWindowTitle(QStringLiteral("Unplaced aisles"));
    const QString entry = shopEntry_ ? shopEntry_() : QString();
    const QString name = TaggedDisplayText(entry);
    if (!name.isNull())
        setWindowTitle(QStringLiteral("Unplaced aisles at ") + name);
    if (ExtractLBID(entry) < 0)
        return;
    const ShopAisles& aisles = plan_.aisles();
    for (int i = 0; i < aisles.count(); ++i)
        if (!aisles.at(i).placed())
            AislesLB->addEntry(aisles.at(i).Category, aisles.at(i).CatName);
}

void PickAisleForm::startDrag(TaggedListBox*) {}

bool PickAisleForm::dragOver(TaggedListBox* source, QPoint global) {
    if (source != AislesLB || frameGeometry().contains(global))
        return false;
    return plan_.FloorPlanDragOver(global);
}

void PickAisleForm::dragDrop(TaggedListBox* source, QPoint global) {
    if (source != AislesLB)
        return;
    plan_.FloorPlanDragDrop(plan_.FloorPlan->mapFromGlobal(global), AislesLB->selectedIds());
    AislesLB->removeSelectedEntries();
}

void PickAisleForm::endDrag(TaggedListBox*) {}
