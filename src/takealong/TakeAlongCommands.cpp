#include "TakeAlongCommands.h"

#include "BusyCursor.h"
#include "DialogService.h"
#include "ExportFile.h"
#include "ListFormat.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PlainTextListWriter.h"
#include "QrCodeDialog.h"
#include "Report.h"
#include "ReportCommands.h"
#include "ShoppingListPage.h"
#include "TakeAlongList.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>

namespace takealong {

namespace {

// The list to take along, or nothing after the empty list's message.
std::optional<TakeAlongList> listToTake(MainWindow& main) {
    TakeAlongList list = windowList(main);
    if (!list.isEmpty())
        return list;
    ui::showMessage(ui::MessageKind::Information, TakeAlongList::emptyMessage(), ui::MessageButtons::Ok,
                    &main);
    return std::nullopt;
}

// The window keeps where its last export went, for the next one.
const char* const kLastExport = "grocelleLastListExport";

QAction* addCommand(MainWindow& main, QMenu* menu, QAction* before, const QString& caption, const char* name,
                    const QKeySequence& shortcut, void (*run)(MainWindow&)) {
    auto* action = new QAction(caption, &main);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    if (menu)
        menu->insertAction(before, action);
    else
        main.addAction(action);
    QObject::connect(action, &QAction::triggered, &main, [&main, run] { run(main); });
    return action;
}

// The entry after `name` in the menu (nullptr: the end), where a new entry goes.
QAction* after(QMenu* menu, const QString& name) {
    const QList<QAction*> actions = menu->actions();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const QAction* a = actions.at(i);
        if (a->objectName() == name || (a->menu() && a->menu()->objectName() == name))
            return i + 1 < actions.size() ? actions.at(i + 1) : nullptr;
    }
    return nullptr;
}

} // namespace

TakeAlongList windowList(MainWindow& main) {
    QList<int> shops;
    if (auto* page = dynamic_cast<ShoppingListPage*>(main.page(MainWindow::ListPageIndex)))
        shops = page->selectedShopIds();
    if (shops.isEmpty())
        for (const QString& id : main.SelectedShopIDs)
            shops << id.toInt();
    const ui::BusyCursor busy;
    reports::ReportSource source = reports::windowReportSource(main);
    return TakeAlongList::read(source, shops);
}

void copyShoppingList(MainWindow& main) {
    const std::optional<TakeAlongList> list = listToTake(main);
    if (list)
        QGuiApplication::clipboard()->setText(PlainTextListWriter().write(*list));
}

void exportShoppingList(MainWindow& main) {
    const std::optional<TakeAlongList> list = listToTake(main);
    if (!list)
        return;
    QString suggested = main.property(kLastExport).toString();
    if (suggested.isEmpty())
        suggested = QDir(main.folders().documentsFolder).filePath(QStringLiteral("shopping-list.html"));
    const std::optional<QString> path = ui::DialogService::instance().saveFileName(
        &main, QStringLiteral("Export shopping list"), suggested, ListFormat::fileFilters());
    if (!path)
        return;
    const ListFormat* format = ListFormat::forFile(*path);
    if (!format) {
        QStringList endings;
        for (const ListFormat& f : ListFormat::all())
            endings << QStringLiteral(".") + f.suffixes.first();
        ui::showMessage(
            ui::MessageKind::Warning,
            QStringLiteral("The file name \"%1\" does not say which format to write. End it in %2.")
                .arg(QFileInfo(*path).fileName(), endings.join(QStringLiteral(", "))),
            ui::MessageButtons::Ok, &main);
        return;
    }
    {
        const ui::BusyCursor busy;
        ExportFile::write(*path, format->write(*list).toUtf8());
    }
    main.setProperty(kLastExport, *path);
}

void showListQrCode(MainWindow& main) {
    const std::optional<TakeAlongList> list = listToTake(main);
    if (!list)
        return;
    QrCodeDialog dialog(PlainTextListWriter(true).write(*list), PlainTextListWriter(false).write(*list),
                        &main);
    dialog.setHelpHandler([&main] { main.showHelp(kHelpContext); });
    dialog.exec();
}

} // namespace takealong

void installTakeAlong(MainWindow& main) {
    using namespace takealong;
    if (auto* edit = main.findChild<QMenu*>(QStringLiteral("EditMenu")))
        addCommand(main, edit, after(edit, QStringLiteral("Prices1")), QStringLiteral("C&opy shopping list"),
                   "CopyShoppingListItem", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), copyShoppingList);
    if (auto* file = main.findChild<QMenu*>(QStringLiteral("FileMenu")))
        addCommand(main, file, after(file, QStringLiteral("PrintMenu")),
                   QStringLiteral("&Export shopping list..."), "ExportShoppingListItem", QKeySequence(),
                   exportShoppingList);
    addCommand(main, nullptr, nullptr, QStringLiteral("Show list as &QR code..."), "ShowListQrCodeItem",
               QKeySequence(), showListQrCode);
}
