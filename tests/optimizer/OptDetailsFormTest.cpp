#include "OptDetailsForm.h"

#include "EngineError.h"
#include "ScriptedMessageService.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(OptDetailsForm, ShowsTheReportReadOnlyWithoutWrapping) {
    OptDetailsForm form;
    EXPECT_EQ(form.windowTitle(), "Optimization results");
    form.setDetails("=== Optimized for cheapest shopping list ===\n\n0 items replaced\nYou saved $0.00");
    EXPECT_EQ(form.details(),
              "=== Optimized for cheapest shopping list ===\n\n0 items replaced\nYou saved $0.00");
    EXPECT_TRUE(form.DetailsMemo->isReadOnly());
    EXPECT_EQ(form.DetailsMemo->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(form.CloseBtn->isDefault());
    EXPECT_EQ(form.UndoBtn->toolTip(), "Undo optimization");
}

TEST(OptDetailsForm, UndoRunsTheHandlerAndClosesButStaysOpenWhenItFails) {
    ScriptedMessageService messages;
    OptDetailsForm form;
    EXPECT_FALSE(form.UndoBtn->isEnabled());
    EXPECT_FALSE(form.HelpBtn->isEnabled());

    int undone = 0;
    bool fail = true;
    form.setUndoHandler([&] {
        ++undone;
        if (fail)
            throw engine::EngineError(engine::GeneralError, "disk full");
    });
    int helpContext = 0;
    form.setHelpHandler([&](int context) { helpContext = context; });
    form.show();

    form.UndoBtn->click();
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(messages.lastText(), "disk full");
    EXPECT_TRUE(form.isVisible());

    fail = false;
    form.UndoBtn->click();
    EXPECT_EQ(undone, 2);
    EXPECT_FALSE(form.isVisible());

    form.HelpBtn->click();
    EXPECT_EQ(helpContext, 503);
}
