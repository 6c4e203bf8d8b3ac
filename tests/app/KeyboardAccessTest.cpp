#include "RunningProgram.h"

#include "AislesPage.h"
#include "AppPage.h"
#include "Mnemonics.h"
#include "PrefsForm.h"
#include "SearchBox.h"
#include "SelectFolderDialog.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <functional>

namespace {

// Every state of a window's tab pages, one after the other (one pass for a window without tabs).
void forEachTab(QWidget* window, const std::function<void()>& check) {
    QTabWidget* tabs = nullptr;
    for (QTabWidget* t : window->findChildren<QTabWidget*>())
        if (t->window() == window && t->count() > 1)
            tabs = t;
    if (!tabs) {
        check();
        return;
    }
    const int was = tabs->currentIndex();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        check();
    }
    tabs->setCurrentIndex(was);
}

QList<QPushButton*> defaultButtons(QWidget* where, QWidget* window) {
    QList<QPushButton*> out;
    for (QPushButton* b : where->findChildren<QPushButton*>())
        if (b->isDefault() && b->isVisibleTo(window) && b->window() == window)
            out << b;
    return out;
}

} // namespace

// No two controls of a page (with the menu bar) or of a dialog answer the same Alt+letter, and Enter does
// the expected thing: the page's Add when its entry fields are filled, a dialog's one default button.
TEST_F(RunningProgram, EveryPageAndDialogHasItsOwnKeysAndADefaultAction) {
    MainWindow& main = startFilled();
    QStringList clashes;
    QStringList noDefault;
    for (int page = 0; page < MainWindow::PageCount; ++page) {
        clickTab(page);
        QWidget* sheet = main.page(page);
        const QString where = main.pageControl()->tabText(page);
        if (page == MainWindow::AislePageIndex) {
            for (int sub : {AislesPage::FloorplanSubPage, AislesPage::SequenceSubPage}) {
                clickSubTab(aislesPage(), sub);
                clashes << mnemonics::clashes(&main, where + QLatin1Char('/') + QString::number(sub));
            }
            continue;
        }
        clashes << mnemonics::clashes(&main, where);
        QList<QLineEdit*> fields;
        for (QLineEdit* e : sheet->findChildren<QLineEdit*>())
            if (e->isVisible() && !e->isReadOnly() && !qobject_cast<ui::SearchBox*>(e))
                fields << e; // Enter in a search box searches at once
        if (fields.isEmpty())
            continue; // a list page: Enter belongs to its grid and lists
        const QList<QPushButton*> defaults = defaultButtons(sheet, &main);
        if (defaults.size() != 1) {
            noDefault << where;
            continue;
        }
        // Pressed comes before the page's own step, which may end in a refusal (a duplicate here).
        QSignalSpy clicked(defaults.first(), &QPushButton::pressed);
        for (QLineEdit* e : fields) {
            if (e->text().trimmed().isEmpty())
                e->setText(QStringLiteral("1"));
            e->setFocus();
            QTest::keyClick(e, Qt::Key_Return);
        }
        EXPECT_EQ(clicked.count(), fields.size()) << where.toStdString();
        // Without its category or name an entry is not ready: Enter only ends the typing.
        fields.first()->clear();
        QTest::keyClick(fields.last(), Qt::Key_Return);
        EXPECT_EQ(clicked.count(), fields.size()) << where.toStdString();
    }

    const MainWindow::Dialogs d = main.dialogs();
    for (QDialog* dialog :
         {d.about, d.pickAisle, static_cast<QDialog*>(d.options), d.copyShop, d.optimize, d.optimizeResults,
          d.uploadDetails, d.uploadProgress, static_cast<QDialog*>(d.selectFolder)}) {
        ASSERT_TRUE(dialog);
        const QString where = dialog->objectName();
        forEachTab(dialog, [&] { clashes << mnemonics::clashes(dialog, where); });
        bool buttons = false;
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            buttons = buttons || b->isVisibleTo(dialog);
        if (buttons && defaultButtons(dialog, dialog).size() != 1)
            noDefault << where;
    }
    EXPECT_EQ(clashes, QStringList());
    EXPECT_EQ(noDefault, QStringList());
}
