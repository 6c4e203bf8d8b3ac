#include "CopyShopForm.h"

#include "DialogHelp.h"

#include "CatalogueText.h"
#include "CharacterLimit.h"
#include "Database.h"
#include "GlyphBitButton.h"
#include "Helpers.h"
#include "Icons.h"
#include "MessageService.h"
#include "ScreenCentre.h"
#include "Table.h"
#include "TaggedComboBox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

CopyShopForm::CopyShopForm(engine::Database& db, QWidget* parent) : QDialog(parent), db_(db), copier_(db) {
    setObjectName(QStringLiteral("CopyShopForm"));
    setWindowTitle(QStringLiteral("Copy shop"));
    ui::centreOnScreen(this);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    OldShopCombo = new TaggedComboBox(this);
    OldShopCombo->setObjectName(QStringLiteral("OldShopCombo"));
    NewNameEdit = new QLineEdit(this);
    NewNameEdit->setObjectName(QStringLiteral("NewNameEdit"));
    ui::limitCharacters(NewNameEdit, catalogue::kNameLength);
    form->addRow(QStringLiteral("Copy f&rom this shop"), OldShopCombo);
    form->addRow(QStringLiteral("New shop &name"), NewNameEdit);
    layout->addLayout(form);
    const auto box = [this, layout](const char* name, const char* caption) {
        auto* b = new QCheckBox(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setChecked(true);
        layout->addWidget(b);
        return b;
    };
    ItemsCB = box("ItemsCB", "Copy &items");
    AislesCB = box("AislesCB", "Copy &aisles");
    FloorPlanCB = box("FloorPlanCB", "Copy &floorplan");
    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* name, const char* caption, const char* icon) {
        auto* b = new ui::GlyphBitButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setNormalImageList(ui::Icons::normalImages());
        b->setDisabledImageList(ui::Icons::disabledImages());
        b->setImageIndex(ui::Icons::indexOf(QLatin1String(icon)));
        buttons->addWidget(b);
        return b;
    };
    BitBtn1 = button("BitBtn1", "&Help", "help");
    buttons->addStretch(1);
    CopyBtn = button("CopyBtn", "C&opy", "copy");
    BitBtn3 = button("BitBtn3", "&Cancel", "cancel");
    layout->addLayout(buttons);
    CopyBtn->setDefault(true);
    BitBtn1->setEnabled(false);
    ui::installDialogHelp(this, BitBtn1);

    connect(NewNameEdit, &QLineEdit::textChanged, this, [this] { NewNameEditChange(); });
    connect(OldShopCombo, &QComboBox::currentIndexChanged, this, [this] { NewNameEditChange(); });
    connect(AislesCB, &QCheckBox::toggled, this, [this] { AislesCBClick(); });
    connect(CopyBtn, &QPushButton::clicked, this, [this] { CopyBtnClick(); });
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    setFixedSize(sizeHint().expandedTo(QSize(360, 0)));
}

void CopyShopForm::setHelpHandler(std::function<void(int)> handler) {
    helpHandler_ = std::move(handler);
    BitBtn1->setEnabled(static_cast<bool>(helpHandler_));
}

void CopyShopForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void CopyShopForm::FormShow() {
    NewNameEdit->clear();
    OldShopCombo->clear();
    try {
        engine::Table shops(&db_, QStringLiteral("Shops"));
        shops.setIndexName(QStringLiteral("IdxName"));
        shops.open();
        for (shops.first(); !shops.eof(); shops.next())
            OldShopCombo->addItem(TaggedListEntry(shops.field(QStringLiteral("ShopID")).asInteger(),
                                                  shops.field(QStringLiteral("ShopName")).asString()));
    } catch (const engine::EngineError& e) {
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, this);
    }
    OldShopCombo->setCurrentIndex(-1);
    NewNameEditChange();
}

void CopyShopForm::NewNameEditChange() {
    bool enable = false;
    if (OldShopCombo->currentIndex() >= 0 && !NewNameEdit->text().trimmed().isEmpty()) {
        try {
            enable = copier_.nameAvailable(NewNameEdit->text());
        } catch (const engine::EngineError&) {
            enable = false;
        }
    }
    CopyBtn->setEnabled(enable);
}

void CopyShopForm::AislesCBClick() {
    FloorPlanCB->setEnabled(AislesCB->isChecked());
    if (!AislesCB->isChecked())
        FloorPlanCB->setChecked(false);
}

void CopyShopForm::CopyBtnClick() {
    // Checked once more at the click; unlike while typing, a check that fails is shown.
    if (OldShopCombo->currentIndex() < 0 || NewNameEdit->text().trimmed().isEmpty() ||
        !copier_.nameAvailable(NewNameEdit->text())) {
        CopyBtn->setEnabled(false);
        return;
    }
    const int source = ExtractLBID(OldShopCombo->model(), OldShopCombo->currentIndex());
    catalogue::CopyShopOptions options;
    options.items = ItemsCB->isChecked();
    options.aisles = AislesCB->isChecked();
    options.floorPlan = options.aisles && FloorPlanCB->isChecked();
    try {
        copiedShopId_ = copier_.copy(source, NewNameEdit->text(), options);
    } catch (const engine::EngineError& e) {
        // Nothing of the copy was kept; the dialog stays open.
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, this);
        NewNameEditChange();
        return;
    }
    accept();
}

void CopyShopForm::BitBtn1Click() {
    if (helpHandler_)
        helpHandler_(kHelpContext);
}
