#include "SearchBox.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

// Typing tells the list once the typing pauses; Ctrl+F from elsewhere on the page focuses the box; Escape
// empties it at once and hands the focus to the list.
TEST(SearchBox, TellsAfterThePauseAndAnswersCtrlFAndEscape) {
    QWidget page;
    auto* layout = new QVBoxLayout(&page);
    auto* box = new ui::SearchBox(&page, QStringLiteral("Search categories"));
    auto* other = new QLineEdit(&page);
    auto* list = new QLineEdit(&page);
    layout->addWidget(box);
    layout->addWidget(other);
    layout->addWidget(list);
    box->setList(list);
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    QSignalSpy told(box, &ui::SearchBox::searchChanged);

    other->setFocus();
    QTest::keyClick(other, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClicks(box, QStringLiteral("mil"));
    EXPECT_EQ(told.count(), 0); // nothing while typing
    EXPECT_EQ(box->searchText(), QString());
    ASSERT_TRUE(told.wait(ui::SearchBox::kPauseMs * 10));
    EXPECT_EQ(told.count(), 1); // one word, one filtering
    EXPECT_EQ(told.last().at(0).toString(), QStringLiteral("mil"));

    QTest::keyClick(box, Qt::Key_K);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(told.count(), 2); // at once, and the pending "milk" never told
    EXPECT_EQ(told.last().at(0).toString(), QString());
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(list->hasFocus());
    QTest::qWait(ui::SearchBox::kPauseMs * 2);
    EXPECT_EQ(told.count(), 2);
    EXPECT_EQ(box->placeholderText(), QStringLiteral("Search categories"));
}
