#include "RunningProgram.h"

#include "Database.h"
#include "QrCodeDialog.h"
#include "ShoppingListPage.h"
#include "Table.h"
#include "ThemedDBGrid.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kCornerMarket = QStringLiteral(R"(Shopping list for Corner Market
1 High Street

Dairy
2 × Milk X 500 g — 2.00

Bakery
1 × Bread Z 500 g — 2.00

Total for Corner Market: 4.00

Grand total: $4.00
)");

QByteArray scanned(const QString& png) {
    QProcess p;
    p.start(QStringLiteral("zbarimg"),
            {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-Sbinary"), png});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.readAllStandardOutput();
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Copy, export and the QR code from the running program's menus, shortcut and Shopping list page.
class TakeAlongCommands : public RunningProgram {
protected:
    ShoppingListPage& listPage() {
        return *dynamic_cast<ShoppingListPage*>(window_->page(MainWindow::ListPageIndex));
    }
    // The Shopping list page with only the shop of that row selected.
    void chooseShop(int row) {
        clickTab(MainWindow::ListPageIndex);
        listPage().ShopsLB->clearSelection();
        clickRow(listPage().ShopsLB, row);
    }
    void trigger(const char* name) {
        QAction* action = window_->menuAction(QLatin1String(name));
        ASSERT_TRUE(action && action->isEnabled()) << name;
        fromEventLoop([action] { action->trigger(); });
    }
    void press(QAbstractButton* button) {
        ASSERT_TRUE(button->isEnabled() && button->isVisible()) << button->objectName().toStdString();
        fromEventLoop([button] { button->click(); });
    }
    // The QR code dialog of the page's button, with the step run on it before it is closed.
    void onQrCode(std::function<void(QrCodeDialog&)> step) {
        whenModal([step](QWidget* w) {
            auto* dialog = qobject_cast<QrCodeDialog*>(w);
            ASSERT_TRUE(dialog);
            step(*dialog);
            dialog->CloseBtn->click();
        });
        press(listPage().QrCodeBtn);
    }
    QStringList infoTexts() const {
        QStringList out;
        for (const auto& call : messages_.calls())
            if (call.kind != ui::MessageKind::Error)
                out << call.text;
        return out;
    }
    // Adds items on the list to Market Hall, so its list needs several QR codes.
    void manyItemsAtMarketHall(int count) {
        engine::Database db(dataFolder());
        engine::Table items(&db, QStringLiteral("Items"));
        items.open();
        for (int i = 0; i < count; ++i) {
            items.append();
            items.field(QStringLiteral("Product")).setInteger(1 + i % 4);
            items.field(QStringLiteral("Brand")).setString(QStringLiteral("Brand number %1").arg(i));
            items.field(QStringLiteral("Size")).setInteger(250);
            items.field(QStringLiteral("Price")).setFloat(1.25);
            items.field(QStringLiteral("Shop")).setInteger(2);
            items.field(QStringLiteral("Quantity")).setInteger(1);
            items.post();
        }
    }
};

TEST_F(TakeAlongCommands, CopyPutsThePlainTextOfTheChosenShopsOnTheClipboard) {
    startFilled();
    chooseShop(0);
    QGuiApplication::clipboard()->clear();
    // The shortcut as the user types it on the page.
    listPage().grid()->setFocus();
    QTest::keyClick(listPage().grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kCornerMarket);
    // The page's button and the Edit menu's entry do the same.
    QGuiApplication::clipboard()->clear();
    press(listPage().CopyListBtn);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kCornerMarket);
    QGuiApplication::clipboard()->clear();
    trigger("CopyShoppingListItem");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kCornerMarket);

    // Market Hall has nothing on the list: a message, and the clipboard keeps what it had; the other two
    // commands show the same message and neither ask for a file nor show a code.
    chooseShop(1);
    trigger("CopyShoppingListItem");
    trigger("ExportShoppingListItem");
    press(listPage().QrCodeBtn);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kCornerMarket);
    EXPECT_EQ(infoTexts(),
              QStringList(3, QStringLiteral("There are no items on the shopping list to take along.")));
    EXPECT_EQ(dialogs_.count(), 0);
    EXPECT_EQ(errorTexts(), QStringList());
}

TEST_F(TakeAlongCommands, ExportWritesTheFormatTheFileNameEndsIn) {
    startFilled();
    chooseShop(0);
    const QString markdown = temp_.file(QStringLiteral("list.md"));
    dialogs_.setNextAnswer(markdown);
    trigger("ExportShoppingListItem");
    ASSERT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(dialogs_.calls()[0].kind, ScriptedDialogService::Kind::SaveFile);
    EXPECT_EQ(dialogs_.calls()[0].prompt, documentsFolder() + QStringLiteral("/shopping-list.html"));
    EXPECT_EQ(dialogs_.calls()[0].filter,
              QStringLiteral("Web page (*.html *.htm);;Plain text (*.txt);;Markdown (*.md "
                             "*.markdown);;CSV for spreadsheets (*.csv)"));
    EXPECT_TRUE(fileBytes(markdown).startsWith("# Shopping list\n\n## Corner Market\n"));

    // The next export starts where the last one went; a name without a known ending writes nothing.
    const QString unknown = temp_.file(QStringLiteral("list.doc"));
    dialogs_.setNextAnswer(unknown);
    trigger("ExportShoppingListItem");
    EXPECT_EQ(dialogs_.calls()[1].prompt, markdown);
    EXPECT_EQ(messages_.lastText(),
              QStringLiteral("The file name \"list.doc\" does not say which format to write. "
                             "End it in .html, .txt, .md, .csv."));
    EXPECT_FALSE(QFile::exists(unknown));

    // A file that cannot be written: the error display names it, and nothing is left behind.
    const QString unwritable = temp_.file(QStringLiteral("missing/list.html"));
    dialogs_.setNextAnswer(unwritable);
    trigger("ExportShoppingListItem");
    EXPECT_EQ(
        errorTexts(),
        QStringList(
            QStringLiteral("The file \"%1\" cannot be written: No such file or directory").arg(unwritable)));
    // Cancelled: nothing.
    trigger("ExportShoppingListItem");
    EXPECT_EQ(dialogs_.count(), 4);
    EXPECT_EQ(messages_.count(), 2);
}

TEST_F(TakeAlongCommands, QrCodeScansFromTheDialogsPictureAndItsSavedImage) {
    startFilled();
    chooseShop(0);
    const QString png = temp_.file(QStringLiteral("code.png"));
    dialogs_.setNextAnswer(png);
    onQrCode([&](QrCodeDialog& dialog) {
        EXPECT_EQ(dialog.series().count(), 1);
        EXPECT_FALSE(dialog.PartLabel->isVisible());
        EXPECT_FALSE(dialog.NextBtn->isVisible());
        EXPECT_GE(dialog.CodeImage->pixmap().width(), 400); // large enough to scan from the screen
        ASSERT_TRUE(dialog.shownImage().save(temp_.file(QStringLiteral("shown.png"))));
        dialog.SaveImageBtn->click();
    });
    EXPECT_EQ(scanned(temp_.file(QStringLiteral("shown.png"))), kCornerMarket.toUtf8());
    EXPECT_EQ(scanned(png), kCornerMarket.toUtf8());
    EXPECT_EQ(errorTexts(), QStringList());
}

TEST_F(TakeAlongCommands, ALongListIsShownAsNumberedCodesOrShorterWithoutPrices) {
    fillCatalogue();
    manyItemsAtMarketHall(16);
    MainWindow& main = start();
    main.resize(900, 650);
    chooseShop(1);
    onQrCode([&](QrCodeDialog& dialog) {
        const int n = dialog.series().count();
        ASSERT_EQ(n, 2);
        EXPECT_TRUE(dialog.PartLabel->isVisible());
        EXPECT_EQ(dialog.PartLabel->text(), QStringLiteral("1 of %1").arg(n));
        EXPECT_FALSE(dialog.PreviousBtn->isEnabled());
        const QRegularExpression told(
            QStringLiteral("too long for one QR code, so it is split into %1 codes.*"
                           "Without prices it needs only one code\\.$")
                .arg(n));
        EXPECT_TRUE(told.match(dialog.MessageLabel->text()).hasMatch())
            << dialog.MessageLabel->text().toStdString();
        QByteArray joined;
        for (int i = 0; i < n; ++i) {
            const QString part = temp_.file(QStringLiteral("part%1.png").arg(i));
            dialog.shownImage().save(part);
            joined += scanned(part);
            EXPECT_EQ(dialog.PartLabel->text(), QStringLiteral("%1 of %2").arg(i + 1).arg(n));
            if (i + 1 < n)
                dialog.NextBtn->click();
        }
        EXPECT_FALSE(dialog.NextBtn->isEnabled());
        dialog.PreviousBtn->click();
        EXPECT_EQ(dialog.current(), n - 2);
        EXPECT_TRUE(QString::fromUtf8(joined).startsWith(QStringLiteral("Shopping list for Market Hall\n")));
        EXPECT_TRUE(QString::fromUtf8(joined).endsWith(QStringLiteral("Grand total: $20.00\n")));
        // Without prices: fewer codes, and the text has no amounts.
        dialog.WithoutPricesCB->setChecked(true);
        EXPECT_EQ(dialog.series().count(), 1);
        EXPECT_EQ(dialog.current(), 0);
        EXPECT_FALSE(dialog.series().part(0).contains("1.25"));
    });
    EXPECT_EQ(errorTexts(), QStringList());
}

// No two entries of a menu share an access key, the new entries included.
TEST_F(TakeAlongCommands, MenuEntriesKeepTheirAccessKeysApart) {
    const MainWindow& main = startFilled();
    QStringList clashes;
    for (QMenu* menu : main.menuBar()->findChildren<QMenu*>()) {
        QMap<QChar, QString> keys;
        for (QAction* a : menu->actions()) {
            const QString text = a->text();
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (a->isSeparator() || amp < 0 || amp + 1 >= text.size())
                continue;
            const QChar key = text.at(amp + 1).toLower();
            if (keys.contains(key))
                clashes << menu->title() + QStringLiteral(": ") + keys[key] + QStringLiteral(" / ") + text;
            keys[key] = text;
        }
    }
    EXPECT_EQ(clashes, QStringList());
}
