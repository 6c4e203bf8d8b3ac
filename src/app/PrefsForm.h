#pragma once

#include "ReportFont.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class SelectFolderDialog;

// The Options dialog: report options, report fonts, backup folder, database language and the update check.
// Every change takes effect at once in its control; the reports, the backup and the start-up read the
// controls.
class PrefsForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int HelpContext = 504;

    PrefsForm(std::array<ReportFont, kReportFontCount>& fonts, QWidget* parent = nullptr);

    // Runs the language change after the user agreed; returns true when the tables took the new locale.
    void setLocaleChangeHandler(std::function<bool(int localeId)> handler) {
        localeChange_ = std::move(handler);
    }
    void setFolderPicker(SelectFolderDialog* picker) { picker_ = picker; }
    // The Help button and F1 request the dialog's topic through the handler; without one they do nothing.
    void setHelpHandler(std::function<void(int contextId)> handler);

    // Fills LocaleLB with the engine's usable locales, each entry carrying its id.
    void fillLocales();
    // Selects the entry of the locale (the first entry when none has it) without running the change.
    void selectLocale(int localeId);
    int selectedLocale() const;

    // A radio button switched on clears the others of its group; switched off it changes only itself.
    static void setRadio(QRadioButton* button, bool on);

    QTabWidget* PageControl = nullptr;
    QRadioButton* FLSortCatRB = nullptr;
    QRadioButton* FLSortProdRB = nullptr;
    QCheckBox* FLCatCB = nullptr;
    QSpinBox* FLColsSpin = nullptr;
    QPushButton* FL_FontBtn = nullptr;
    QCheckBox* SLAddrCB = nullptr;
    QCheckBox* SLNewPageCB = nullptr;
    QPushButton* SL_FontBtn = nullptr;
    QRadioButton* MLSortShopRB = nullptr;
    QRadioButton* MLSortCatRB = nullptr;
    QRadioButton* MLSortProdRB = nullptr;
    QCheckBox* MLGridCB = nullptr;
    QPushButton* MIL_FontBtn = nullptr;
    QRadioButton* PCFSortCatRB = nullptr;
    QRadioButton* PCFSortProdRB = nullptr;
    QCheckBox* PCFDatesCB = nullptr;
    QPushButton* PC_FontBtn = nullptr;
    QRadioButton* FPColourRB = nullptr;
    QRadioButton* FPBlackRB = nullptr;
    QCheckBox* FPDotCB = nullptr;
    QPushButton* FP_FontBtn = nullptr;
    QCheckBox* PrintPreviewCB = nullptr;
    QLineEdit* BackupFolderEdit = nullptr;
    QPushButton* BackupBrowseBtn = nullptr;
    QComboBox* LocaleLB = nullptr;
    QCheckBox* UpdatesCB = nullptr;
    QSpinBox* StalePriceSpin = nullptr; // days; 0 shows no price as stale
    QPushButton* HelpBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LocaleLBChange(int index);
    void BackupBrowseBtnClick();
    void fontButtonClick(ReportFontId id);

    std::array<ReportFont, kReportFontCount>& fonts_;
    std::function<bool(int)> localeChange_;
    std::function<void(int)> helpHandler_;
    SelectFolderDialog* picker_ = nullptr;
    bool silenced_ = false;
    int shownIndex_ = 0;
};
