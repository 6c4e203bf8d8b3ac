#pragma once

#include "QrCodeSeries.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

// "Show list as QR code...": the plain text of the shopping list as a QR code large enough to scan from the
// screen. A list too long for one code is shown as numbered codes, "1 of 3", with Previous and Next, and the
// shorter text without prices is offered; "Save image..." writes the code shown as a PNG picture.
class QrCodeDialog : public QDialog {
    Q_OBJECT

public:
    // The list's text with prices and without them.
    QrCodeDialog(const QString& withPrices, const QString& withoutPrices, QWidget* parent = nullptr);
    ~QrCodeDialog() override;

    void setHelpHandler(std::function<void()> handler);

    const QrCodeSeries& series() const { return *series_; }
    int current() const { return current_; }
    // The picture shown: 4 or more pixels a module, about 420 pixels a side.
    QImage shownImage() const;

    QLabel* MessageLabel = nullptr;
    QLabel* CodeImage = nullptr;
    QLabel* PartLabel = nullptr;
    QPushButton* PreviousBtn = nullptr;
    QPushButton* NextBtn = nullptr;
    QCheckBox* WithoutPricesCB = nullptr;
    QPushButton* HelpBtn = nullptr;
    QPushButton* SaveImageBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

private:
    void makeCodes();
    void showCode(int index);
    void saveImage();

    QString withPrices_;
    QString withoutPrices_;
    int codesWithoutPrices_ = 0;
    std::unique_ptr<QrCodeSeries> series_;
    int current_ = 0;
    std::function<void()> helpHandler_;
};
