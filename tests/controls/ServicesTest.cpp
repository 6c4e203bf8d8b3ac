#include "DialogService.h"
#include "MessageService.h"
#include "ScriptedDialogService.h"
#include "ScriptedMessageService.h"

#include <QPrinter>
#include <gtest/gtest.h>

using ui::MessageAnswer;
using ui::MessageButtons;
using ui::MessageKind;

// Questions go on only on OK or Yes; the scripted service records and answers in order and removes itself.
TEST(Services, ConfirmProceedsOnlyOnPositiveAnswersAndScriptIsRecorded) {
    ui::MessageService* real = &ui::MessageService::instance();
    {
        ScriptedMessageService script;
        EXPECT_EQ(&ui::MessageService::instance(), &script);

        EXPECT_TRUE(ui::confirm(QStringLiteral("Delete?\r\nSure")));
        EXPECT_EQ(ui::showMessage(MessageKind::Warning, QStringLiteral("w"), MessageButtons::OkCancel),
                  MessageAnswer::Ok);
        script.setNextAnswer(MessageAnswer::No);
        EXPECT_FALSE(ui::confirm(QStringLiteral("q1")));
        script.setNextAnswer(MessageAnswer::Cancel);
        EXPECT_FALSE(ui::confirm(QStringLiteral("q2"), MessageButtons::OkCancel));
        script.setNextAnswer(MessageAnswer::Ok);
        EXPECT_TRUE(ui::confirm(QStringLiteral("q3"), MessageButtons::OkCancel));

        ASSERT_EQ(script.count(), 5);
        EXPECT_EQ(script.calls()[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(script.calls()[0].text, QStringLiteral("Delete?\r\nSure"));
        EXPECT_EQ(script.calls()[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(script.calls()[1].kind, MessageKind::Warning);
        EXPECT_EQ(script.calls()[1].buttons, MessageButtons::OkCancel);
        EXPECT_EQ(script.lastText(), QStringLiteral("q3"));
    }
    EXPECT_EQ(&ui::MessageService::instance(), real);
}

TEST(Services, ScriptedDialogsCancelByDefaultAndAnswerInOrder) {
    ui::DialogService* real = &ui::DialogService::instance();
    {
        ScriptedDialogService script;
        auto& d = ui::DialogService::instance();
        EXPECT_FALSE(
            d.openFileName(nullptr, QStringLiteral("Open"), QStringLiteral("/tmp"), QStringLiteral("*.zip")));
        QPrinter printer;
        EXPECT_FALSE(d.print(nullptr, printer));

        script.setNextAnswer(QStringLiteral("/tmp/a.zip"));
        script.setNextAnswer(true);
        script.setNextAnswer(QFont(QStringLiteral("Serif"), 14));
        script.setNextCancel();
        EXPECT_EQ(d.openFileName(nullptr, QStringLiteral("Open"), {}, {}).value_or(QString()),
                  QStringLiteral("/tmp/a.zip"));
        EXPECT_TRUE(d.pageSetup(nullptr, printer));
        EXPECT_EQ(d.font(nullptr, QFont(), QStringLiteral("Font")).value_or(QFont()).pointSize(), 14);
        EXPECT_FALSE(
            d.inputText(nullptr, QStringLiteral("Name"), QStringLiteral("New name:"), QStringLiteral("x")));

        ASSERT_EQ(script.count(), 6);
        EXPECT_EQ(script.calls()[0].kind, ScriptedDialogService::Kind::OpenFile);
        EXPECT_EQ(script.calls()[0].prompt, QStringLiteral("/tmp"));
        EXPECT_EQ(script.calls()[0].filter, QStringLiteral("*.zip"));
        EXPECT_EQ(script.calls()[5].kind, ScriptedDialogService::Kind::InputText);
        EXPECT_EQ(script.calls()[5].prompt, QStringLiteral("New name:"));
    }
    EXPECT_EQ(&ui::DialogService::instance(), real);
}
