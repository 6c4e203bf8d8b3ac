#include "HelpCommands.h"

#include "AboutForm.h"
#include "AboutText.h"
#include "DialogService.h"
#include "MainWindow.h"

#include <QAction>
#include <QEvent>
#include <QUrl>

namespace help {

namespace {

// Context ids of the Help menu's topics.
constexpr int kGettingStartedContext = 1;
constexpr int kContentsContext = 100;

} // namespace

HelpCommands::HelpCommands(MainWindow& main)
    : QObject(&main), main_(main), hook_(windows_, main.folders().helpFile) {
    setObjectName(QStringLiteral("HelpCommands"));
    // Closing the main window closes the help windows with it, or they would keep the program running.
    main.installEventFilter(this);
}

std::function<void(int)> HelpCommands::handler() {
    return [this](int contextId) { hook_.request(HelpCommand::Context, contextId); };
}

QString HelpCommands::catalogueFile() const {
    return main_.folders().helpFolder + QStringLiteral("Catalogue.qhc");
}

bool HelpCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &main_ && event->type() == QEvent::Close)
        hook_.request(HelpCommand::Quit);
    return QObject::eventFilter(watched, event);
}

void HelpCommands::Searchforhelpon1Click() {
    hook_.request(HelpCommand::PartialKeyword, 0, QString());
}

void HelpCommands::Usinghelp1Click() {
    hook_.request(HelpCommand::HelpOnHelp);
}

void HelpCommands::Checkforupdates1Click() {
    // The updater reports its outcome itself; the program neither waits nor looks.
    main_.startProgram(main_.folders().updateProgram, {QStringLiteral("/checknow")});
}

void HelpCommands::Website1Click() {
    ui::DialogService::instance().openUrl(&main_, QUrl(QLatin1String(kWebSiteAddress)));
}

void HelpCommands::Supportforum1Click() {
    ui::DialogService::instance().openUrl(&main_, QUrl(QLatin1String(kSupportForumAddress)));
}

void HelpCommands::Otherproducts1Click() {
    hook_.showContentsOf(catalogueFile());
}

void HelpCommands::About1Click() {
    if (QDialog* about = main_.dialogs().about)
        about->exec();
}

} // namespace help

void installHelp(MainWindow& main) {
    auto* commands = new help::HelpCommands(main);
    main.setHelpHandler(commands->handler());

    MainWindow::Dialogs dialogs = main.dialogs();
    if (!qobject_cast<help::AboutForm*>(dialogs.about)) {
        delete dialogs.about; // the frame's stand-in
        dialogs.about = new help::AboutForm(&main);
        main.setDialogs(dialogs);
    }

    const auto connect = [&main](const char* name, auto handler) {
        if (QAction* action = main.menuAction(QLatin1String(name))) {
            action->setEnabled(true);
            QObject::connect(action, &QAction::triggered, &main, handler);
        }
    };
    connect("HelpContentsItem", [&main] { main.showHelp(help::kContentsContext); });
    connect("HelpSearchItem", [commands] { commands->Searchforhelpon1Click(); });
    connect("UsingHelpItem", [commands] { commands->Usinghelp1Click(); });
    connect("GettingStartedItem", [&main] { main.showHelp(help::kGettingStartedContext); });
    connect("CheckUpdatesItem", [commands] { commands->Checkforupdates1Click(); });
    connect("WebSiteItem", [commands] { commands->Website1Click(); });
    connect("SupportForumItem", [commands] { commands->Supportforum1Click(); });
    connect("OtherProductsItem", [commands] { commands->Otherproducts1Click(); });
    connect("AboutItem", [commands] { commands->About1Click(); });
}
