#include "QrCodeDialog.h"

#include "BusyCursor.h"
#include "DialogHelp.h"
#include "DialogService.h"
#include "ExportFile.h"
#include "ScreenCentre.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

constexpr int kShownSide = 440; // pixels the shown code aims at, quiet zone included

int scaleFor(const QrCode& code) {
    return std::max(4, kShownSide / (code.width() + 8));
}

QString codes(int n) {
    return n == 1 ? QStringLiteral("one code") : QString::number(n) + QStringLiteral(" codes");
}

} // namespace

QrCodeDialog::QrCodeDialog(const QString& withPrices, const QString& withoutPrices, QWidget* parent)
    : QDialog(parent), withPrices_(withPrices), withoutPrices_(withoutPrices) {
    setObjectName(QStringLiteral("QrCodeDialog"));
    setWindowTitle(QStringLiteral("Shopping list as QR code"));
    auto* layout = new QVBoxLayout(this);
    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setWordWrap(true);
    layout->addWidget(MessageLabel);
    CodeImage = new QLabel(this);
    CodeImage->setObjectName(QStringLiteral("CodeImage"));
    CodeImage->setAlignment(Qt::AlignCenter);
    CodeImage->setMinimumSize(kShownSide, kShownSide);
    layout->addWidget(CodeImage, 1);

    const auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    auto* parts = new QHBoxLayout;
    PreviousBtn = button("PreviousBtn", "&Previous");
    PartLabel = new QLabel(this);
    PartLabel->setObjectName(QStringLiteral("PartLabel"));
    PartLabel->setAlignment(Qt::AlignCenter);
    QFont bold = PartLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    PartLabel->setFont(bold);
    NextBtn = button("NextBtn", "&Next");
    parts->addWidget(PreviousBtn);
    parts->addWidget(PartLabel, 1);
    parts->addWidget(NextBtn);
    layout->addLayout(parts);

    WithoutPricesCB = new QCheckBox(QStringLiteral("&Leave out prices (a shorter text)"), this);
    WithoutPricesCB->setObjectName(QStringLiteral("WithoutPricesCB"));
    layout->addWidget(WithoutPricesCB);

    auto* buttons = new QHBoxLayout;
    HelpBtn = button("HelpBtn", "&Help");
    HelpBtn->setEnabled(false);
    SaveImageBtn = button("SaveImageBtn", "&Save image...");
    CloseBtn = button("CloseBtn", "&Close");
    CloseBtn->setDefault(true);
    buttons->addWidget(HelpBtn);
    buttons->addStretch(1);
    buttons->addWidget(SaveImageBtn);
    buttons->addWidget(CloseBtn);
    layout->addLayout(buttons);
    ui::installDialogHelp(this, HelpBtn);

    connect(PreviousBtn, &QPushButton::clicked, this, [this] { showCode(current_ - 1); });
    connect(NextBtn, &QPushButton::clicked, this, [this] { showCode(current_ + 1); });
    connect(WithoutPricesCB, &QCheckBox::toggled, this, [this] { makeCodes(); });
    connect(SaveImageBtn, &QPushButton::clicked, this, [this] { saveImage(); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        if (helpHandler_)
            helpHandler_();
    });

    {
        const ui::BusyCursor busy;
        codesWithoutPrices_ = QrCodeSeries(withoutPrices_).count();
    }
    makeCodes();
    ui::centreOnScreen(this);
}

QrCodeDialog::~QrCodeDialog() = default;

void QrCodeDialog::setHelpHandler(std::function<void()> handler) {
    helpHandler_ = std::move(handler);
    HelpBtn->setEnabled(static_cast<bool>(helpHandler_));
}

void QrCodeDialog::makeCodes() {
    const bool withPrices = !WithoutPricesCB->isChecked();
    {
        const ui::BusyCursor busy;
        series_ = std::make_unique<QrCodeSeries>(withPrices ? withPrices_ : withoutPrices_);
    }
    const int n = series_->count();
    QString message;
    if (n == 1) {
        message = QStringLiteral("Scan the code with your phone's camera to get the shopping list as text.");
    } else {
        message = QStringLiteral("The list is too long for one QR code, so it is split into %1 codes. Scan "
                                 "them one after another in order: Next shows the next code.")
                      .arg(n);
        if (withPrices && codesWithoutPrices_ < n)
            message += QStringLiteral(" Without prices it needs only %1.").arg(codes(codesWithoutPrices_));
    }
    MessageLabel->setText(message);
    for (QWidget* w : {static_cast<QWidget*>(PreviousBtn), static_cast<QWidget*>(PartLabel),
                       static_cast<QWidget*>(NextBtn)})
        w->setVisible(n > 1);
    showCode(0);
}

void QrCodeDialog::showCode(int index) {
    current_ = std::clamp(index, 0, series_->count() - 1);
    CodeImage->setPixmap(QPixmap::fromImage(shownImage()));
    PartLabel->setText(QStringLiteral("%1 of %2").arg(current_ + 1).arg(series_->count()));
    PreviousBtn->setEnabled(current_ > 0);
    NextBtn->setEnabled(current_ + 1 < series_->count());
}

QImage QrCodeDialog::shownImage() const {
    const QrCode& code = series_->code(current_);
    return code.image(scaleFor(code));
}

void QrCodeDialog::saveImage() {
    const QString name =
        series_->count() == 1
            ? QStringLiteral("shopping-list-qr.png")
            : QStringLiteral("shopping-list-qr-%1-of-%2.png").arg(current_ + 1).arg(series_->count());
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const std::optional<QString> path = ui::DialogService::instance().saveFileName(
        this, QStringLiteral("Save QR code"), QDir(folder).filePath(name),
        QStringLiteral("PNG image (*.png)"));
    if (!path)
        return;
    // Eight pixels a module: sharp when printed or shown on another screen.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    series_->code(current_).image(8).save(&buffer, "PNG");
    const ui::BusyCursor busy;
    ExportFile::write(*path, png);
}
