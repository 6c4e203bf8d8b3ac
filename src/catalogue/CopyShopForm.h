#pragma once

#include "ShopCopier.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class TaggedComboBox;

namespace engine {
class Database;
}
namespace ui {
class GlyphBitButton;
}

// The Copy shop dialog: a new shop made from an existing one, with its items and, optionally, its aisles
// and floor plan. The check boxes keep their state from one showing to the next.
class CopyShopForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 502;

    explicit CopyShopForm(engine::Database& db, QWidget* parent = nullptr);

    // Opens the help topic; without a handler the Help button is disabled.
    void setHelpHandler(std::function<void(int)> handler);

    TaggedComboBox* OldShopCombo = nullptr;
    QLineEdit* NewNameEdit = nullptr;
    QCheckBox* ItemsCB = nullptr;
    QCheckBox* AislesCB = nullptr;
    QCheckBox* FloorPlanCB = nullptr;
    ui::GlyphBitButton* BitBtn1 = nullptr;
    ui::GlyphBitButton* CopyBtn = nullptr;
    ui::GlyphBitButton* BitBtn3 = nullptr;

    // The shop made by the last copy; -1 before any.
    int copiedShopId() const { return copiedShopId_; }

    void FormShow();
    void NewNameEditChange();
    void AislesCBClick();
    void CopyBtnClick();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    engine::Database& db_;
    catalogue::ShopCopier copier_;
    std::function<void(int)> helpHandler_;
    int copiedShopId_ = -1;
};
