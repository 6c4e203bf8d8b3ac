#include "PrefsForm.h"

#include "AppSettings.h"
#include "Collation.h"
#include "DialogHelp.h"
#include "DialogService.h"
#include "MessageService.h"
#include "ScreenCentre.h"
#include "SelectFolderDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* FontButton(const char* name, QWidget* parent) {
    return Named(new QPushButton(QStringLiteral("Font"), parent), name);
}

} // namespace

PrefsForm::PrefsForm(std::array<ReportFont, kReportFontCount>& fonts, QWidget* parent)
    : QDialog(parent), fonts_(fonts) {
    setObjectName(QStringLiteral("PrefsForm"));
    setWindowTitle(QStringLiteral("Options"));
    ui::centreOnScreen(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);

    PageControl = Named(new QTabWidget(this), "PageControl");
    auto* reports = new QWidget(PageControl);
    auto* reportsLayout = new QGridLayout(reports);

    auto* fl = new QGroupBox(QStringLiteral("Fridge list"), reports);
    auto* flLayout = new QVBoxLayout(fl);
    FLSortCatRB = Named(new QRadioButton(QStringLiteral("Sort by cat&egory"), fl), "FLSortCatRB");
    FLSortProdRB = Named(new QRadioButton(QStringLiteral("Sort by &product"), fl), "FLSortProdRB");
    FLCatCB = Named(new QCheckBox(QStringLiteral("&Include categories"), fl), "FLCatCB");
    FLColsSpin = Named(new QSpinBox(fl), "FLColsSpin");
    FLColsSpin->setRange(1, 10);
    FLColsSpin->setValue(1);
    auto* colsLabel = new QLabel(QStringLiteral("C&olumns"), fl);
    colsLabel->setBuddy(FLColsSpin);
    FL_FontBtn = FontButton("FL_FontBtn", fl);
    auto* colsRow = new QHBoxLayout;
    colsRow->addWidget(colsLabel);
    colsRow->addWidget(FLColsSpin);
    for (QWidget* w : {static_cast<QWidget*>(FLSortCatRB), static_cast<QWidget*>(FLSortProdRB),
                       static_cast<QWidget*>(FLCatCB)})
        flLayout->addWidget(w);
    flLayout->addLayout(colsRow);
    flLayout->addWidget(FL_FontBtn);
    FLSortCatRB->setChecked(true);

    auto* sl = new QGroupBox(QStringLiteral("Shopping list"), reports);
    auto* slLayout = new QVBoxLayout(sl);
    SLAddrCB = Named(new QCheckBox(QStringLiteral("Shop a&ddress"), sl), "SLAddrCB");
    SLNewPageCB = Named(new QCheckBox(QStringLiteral("Shop on &new page"), sl), "SLNewPageCB");
    SL_FontBtn = FontButton("SL_FontBtn", sl);
    slLayout->addWidget(SLAddrCB);
    slLayout->addWidget(SLNewPageCB);
    slLayout->addWidget(SL_FontBtn);

    auto* ml = new QGroupBox(QStringLiteral("Master item list"), reports);
    auto* mlLayout = new QVBoxLayout(ml);
    MLSortShopRB = Named(new QRadioButton(QStringLiteral("Sort by &shop"), ml), "MLSortShopRB");
    MLSortCatRB = Named(new QRadioButton(QStringLiteral("Sort &by category"), ml), "MLSortCatRB");
    MLSortProdRB = Named(new QRadioButton(QStringLiteral("Sort by produc&t"), ml), "MLSortProdRB");
    MLGridCB = Named(new QCheckBox(QStringLiteral("&Grid lines"), ml), "MLGridCB");
    MIL_FontBtn = FontButton("MIL_FontBtn", ml);
    for (QWidget* w : {static_cast<QWidget*>(MLSortShopRB), static_cast<QWidget*>(MLSortCatRB),
                       static_cast<QWidget*>(MLSortProdRB), static_cast<QWidget*>(MLGridCB),
                       static_cast<QWidget*>(MIL_FontBtn)})
        mlLayout->addWidget(w);
    MLSortShopRB->setChecked(true);

    auto* pc = new QGroupBox(QStringLiteral("Price comparison form"), reports);
    auto* pcLayout = new QVBoxLayout(pc);
    PCFSortCatRB = Named(new QRadioButton(QStringLiteral("So&rt by category"), pc), "PCFSortCatRB");
    PCFSortProdRB = Named(new QRadioButton(QStringLiteral("Sort by prod&uct"), pc), "PCFSortProdRB");
    PCFDatesCB = Named(new QCheckBox(QStringLiteral("Price d&ates"), pc), "PCFDatesCB");
    PCFDatesCB->setToolTip(QStringLiteral("Print the date of each price under it"));
    PC_FontBtn = FontButton("PC_FontBtn", pc);
    pcLayout->addWidget(PCFSortCatRB);
    pcLayout->addWidget(PCFSortProdRB);
    pcLayout->addWidget(PCFDatesCB);
    pcLayout->addWidget(PC_FontBtn);
    PCFSortCatRB->setChecked(true);

    auto* fp = new QGroupBox(QStringLiteral("Floorplan"), reports);
    auto* fpLayout = new QVBoxLayout(fp);
    FPColourRB = Named(new QRadioButton(QStringLiteral("Co&lour"), fp), "FPColourRB");
    FPBlackRB = Named(new QRadioButton(QStringLiteral("Blac&k only"), fp), "FPBlackRB");
    FPDotCB = Named(new QCheckBox(QStringLiteral("Dotted arro&ws"), fp), "FPDotCB");
    FP_FontBtn = FontButton("FP_FontBtn", fp);
    for (QWidget* w : {static_cast<QWidget*>(FPColourRB), static_cast<QWidget*>(FPBlackRB),
                       static_cast<QWidget*>(FPDotCB), static_cast<QWidget*>(FP_FontBtn)})
        fpLayout->addWidget(w);
    FPColourRB->setChecked(true);

    reportsLayout->addWidget(fl, 0, 0, 2, 1);
    reportsLayout->addWidget(sl, 0, 1);
    reportsLayout->addWidget(ml, 1, 1, 2, 1);
    reportsLayout->addWidget(pc, 0, 2);
    reportsLayout->addWidget(fp, 1, 2, 2, 1);
    PrintPreviewCB = Named(new QCheckBox(QStringLiteral("Show print pre&view"), reports), "PrintPreviewCB");
    reportsLayout->addWidget(PrintPreviewCB, 3, 0, 1, 3);
    PageControl->addTab(reports, QStringLiteral("Reports"));

    auto* options = new QWidget(PageControl);
    auto* optionsLayout = new QGridLayout(options);
    BackupFolderEdit = Named(new QLineEdit(options), "BackupFolderEdit");
    BackupFolderEdit->setReadOnly(true);
    BackupFolderEdit->setBackgroundRole(QPalette::Button);
    BackupFolderEdit->setStyleSheet(QStringLiteral("QLineEdit { background: palette(button); }"));
    auto* backupLabel = new QLabel(QStringLiteral("Backup f&older"), options);
    backupLabel->setBuddy(BackupFolderEdit);
    BackupBrowseBtn = Named(new QPushButton(QStringLiteral("B&rowse"), options), "BackupBrowseBtn");
    BackupBrowseBtn->setToolTip(QStringLiteral("Backup folder"));
    LocaleLB = Named(new QComboBox(options), "LocaleLB");
    auto* localeLabel = new QLabel(QStringLiteral("Database &language"), options);
    localeLabel->setBuddy(LocaleLB);
    auto* note = new QLabel(QStringLiteral("Use \"ANSI Standard\" for all English variants"), options);
    UpdatesCB =
        Named(new QCheckBox(QStringLiteral("Check for &updates automatically"), options), "UpdatesCB");
    optionsLayout->addWidget(backupLabel, 0, 0, 1, 2);
    optionsLayout->addWidget(BackupFolderEdit, 1, 0);
    optionsLayout->addWidget(BackupBrowseBtn, 1, 1);
    optionsLayout->addWidget(localeLabel, 2, 0, 1, 2);
    optionsLayout->addWidget(LocaleLB, 3, 0);
    optionsLayout->addWidget(note, 4, 0, 1, 2);
    optionsLayout->addWidget(UpdatesCB, 5, 0, 1, 2);
    StalePriceSpin = Named(new QSpinBox(options), "StalePriceSpin");
    StalePriceSpin->setRange(0, kMaxStalePriceDays);
    StalePriceSpin->setValue(90);
    StalePriceSpin->setSuffix(QStringLiteral(" days"));
    StalePriceSpin->setSpecialValueText(QStringLiteral("never"));
    StalePriceSpin->setToolTip(
        QStringLiteral("A price not entered or confirmed for this long shows muted: it may be stale"));
    auto* staleLabel = new QLabel(QStringLiteral("Prices look &stale after"), options);
    staleLabel->setBuddy(StalePriceSpin);
    optionsLayout->addWidget(staleLabel, 6, 0, 1, 2);
    optionsLayout->addWidget(StalePriceSpin, 7, 0);
    optionsLayout->setRowStretch(8, 1);
    PageControl->addTab(options, QStringLiteral("Options"));

    HelpBtn = Named(new QPushButton(QStringLiteral("&Help"), this), "HelpBtn");
    HelpBtn->setEnabled(false);
    CloseBtn = Named(new QPushButton(QStringLiteral("&Close"), this), "CloseBtn");
    CloseBtn->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(HelpBtn);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        if (helpHandler_)
            helpHandler_(HelpContext);
    });
    ui::installDialogHelp(this, HelpBtn);
    connect(FL_FontBtn, &QPushButton::clicked, this, [this] { fontButtonClick(FridgeListFont); });
    connect(SL_FontBtn, &QPushButton::clicked, this, [this] { fontButtonClick(ShoppingListFont); });
    connect(MIL_FontBtn, &QPushButton::clicked, this, [this] { fontButtonClick(MasterItemListFont); });
    connect(PC_FontBtn, &QPushButton::clicked, this, [this] { fontButtonClick(PriceComparisonFont); });
    connect(FP_FontBtn, &QPushButton::clicked, this, [this] { fontButtonClick(FloorplanFont); });
    connect(BackupBrowseBtn, &QPushButton::clicked, this, &PrefsForm::BackupBrowseBtnClick);
    connect(LocaleLB, &QComboBox::currentIndexChanged, this, &PrefsForm::LocaleLBChange);
}

void PrefsForm::setHelpHandler(std::function<void(int)> handler) {
    helpHandler_ = std::move(handler);
    HelpBtn->setEnabled(static_cast<bool>(helpHandler_));
}

void PrefsForm::setRadio(QRadioButton* button, bool on) {
    if (on) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to leave none selected; switch the exclusivity off for the moment.
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

void PrefsForm::fillLocales() {
    silenced_ = true;
    LocaleLB->clear();
    for (const engine::LocaleInfo& info : engine::collation::locales())
        LocaleLB->addItem(info.name, info.id);
    for (int i = LocaleLB->count() - 1; i >= 0; --i)
        if (!engine::collation::isUsable(LocaleLB->itemData(i).toInt()))
            LocaleLB->removeItem(i);
    silenced_ = false;
}

void PrefsForm::selectLocale(int localeId) {
    silenced_ = true;
    LocaleLB->setCurrentIndex(LocaleLB->count() > 0 ? 0 : -1);
    const int index = LocaleLB->findData(localeId);
    if (index >= 0)
        LocaleLB->setCurrentIndex(index);
    silenced_ = false;
}

int PrefsForm::selectedLocale() const {
    return LocaleLB->currentIndex() >= 0 ? LocaleLB->currentData().toInt() : -1;
}

void PrefsForm::showEvent(QShowEvent* event) {
    shownIndex_ = LocaleLB->currentIndex();
    QDialog::showEvent(event);
}

void PrefsForm::LocaleLBChange(int index) {
    if (silenced_ || index < 0)
        return;
    const bool agreed = ui::showMessage(ui::MessageKind::Warning,
                                        QStringLiteral("Grocelle will now alter the language setting of the "
                                                       "database.\r\nContinue?"),
                                        ui::MessageButtons::YesNo, this) == ui::MessageAnswer::Yes;
    if (!agreed) {
        silenced_ = true;
        LocaleLB->setCurrentIndex(shownIndex_);
        silenced_ = false;
        return;
    }
    if (localeChange_)
        localeChange_(LocaleLB->itemData(index).toInt());
}

void PrefsForm::BackupBrowseBtnClick() {
    if (!picker_)
        return;
    if (picker_->execute(QString(), BackupFolderEdit->text()))
        BackupFolderEdit->setText(picker_->folder());
}

void PrefsForm::fontButtonClick(ReportFontId id) {
    ReportFont& font = fonts_[static_cast<size_t>(id)];
    ui::DialogService& dialogs = ui::DialogService::instance();
    const std::optional<QFont> chosen = dialogs.font(this, font.toFont(), QString());
    if (!chosen)
        return;
    font.takeFont(*chosen);
    // The font dialog has no colour; the colour follows at once, and cancelling it keeps the old one.
    if (const std::optional<QColor> colour =
            dialogs.colour(this, font.color(), QStringLiteral("Font colour")))
        font.setColor(*colour);
}
