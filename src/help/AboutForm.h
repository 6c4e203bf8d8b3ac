#pragma once

#include <QDialog>

class QLabel;
namespace ui {
class GlyphBitButton;
}

namespace help {

// "About Grocelle": the program's picture, the four lines of AboutLines() (set afresh at every showing),
// "OK" and "Web site", which opens the maker's web site.
class AboutForm : public QDialog {
    Q_OBJECT

public:
    explicit AboutForm(QWidget* parent = nullptr);

    QLabel* ProgramIcon = nullptr;
    QLabel* TextPanel = nullptr;
    ui::GlyphBitButton* OKBtn = nullptr;
    ui::GlyphBitButton* WebSiteBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace help
