#include "AboutForm.h"

#include "AboutText.h"
#include "DialogService.h"
#include "GlyphBitButton.h"
#include "Icons.h"
#include "ScreenCentre.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QShowEvent>
#include <QUrl>
#include <QVBoxLayout>

static void initHelpResources() {
    // The picture lives in a static library's resource; this keeps the linker from dropping it.
    Q_INIT_RESOURCE(help);
}

namespace help {

AboutForm::AboutForm(QWidget* parent) : QDialog(parent) {
    initHelpResources();
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Grocelle"));

    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setFixedSize(50, 50);
    ProgramIcon->setPixmap(QIcon(QStringLiteral(":/grocelle/help/grocelle.svg")).pixmap(50, 50));

    TextPanel = new QLabel(this);
    TextPanel->setObjectName(QStringLiteral("TextPanel"));
    TextPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    TextPanel->setAlignment(Qt::AlignCenter);
    TextPanel->setWordWrap(true);
    TextPanel->setTextFormat(Qt::PlainText);

    const auto button = [this](const char* name, const QString& caption, const char* icon) {
        auto* b = new ui::GlyphBitButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setNormalImageList(ui::Icons::normalImages());
        b->setDisabledImageList(ui::Icons::disabledImages());
        b->setImageIndex(ui::Icons::indexOf(QLatin1String(icon)));
        return b;
    };
    OKBtn = button("OKBtn", QStringLiteral("OK"), "ok");
    OKBtn->setDefault(true);
    WebSiteBtn = button("WebSiteBtn", QStringLiteral("Web site"), "web");
    WebSiteBtn->setAutoDefault(false);
    WebSiteBtn->setToolTip(QStringLiteral("Visit the Grocelle web site"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(WebSiteBtn);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(ProgramIcon, 0, Qt::AlignHCenter);
    layout->addWidget(TextPanel, 1);
    layout->addLayout(buttons);
    setFixedSize(311, 183);
    ui::centreOnScreen(this);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(WebSiteBtn, &QPushButton::clicked, this,
            [this] { ui::DialogService::instance().openUrl(this, QUrl(QLatin1String(kWebSiteAddress))); });
}

void AboutForm::showEvent(QShowEvent* event) {
    TextPanel->setText(AboutLines().join(QLatin1Char('\n')));
    QDialog::showEvent(event);
}

} // namespace help
