#include "GuardedApplication.h"
#include "EngineError.h"
#include "ScriptedMessageService.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

// A widget whose paint fails, as a grid over a damaged table does.
class FailingPaint : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        ++paints;
        throw engine::EngineError(engine::FileError, QStringLiteral("Cannot read Items.dat"));
    }

public:
    int paints = 0;
};

// Shows each message by running another failing step first, as an error box's own event loop would.
class ReenteringMessages final : public ui::MessageService {
public:
    ui::MessageAnswer show(ui::MessageKind, const QString& text, ui::MessageButtons, QWidget*) override {
        texts << text;
        if (whileShown)
            whileShown();
        return ui::MessageAnswer::Ok;
    }
    QStringList texts;
    std::function<void()> whileShown;
};

void postFailure(std::function<void()> fail) {
    QTimer::singleShot(0, qApp, std::move(fail));
}

} // namespace

TEST(GuardedApplication, TheTestsRunUnderIt) {
    EXPECT_TRUE(qobject_cast<ui::GuardedApplication*>(qApp));
}

TEST(GuardedApplication, EachKindOfFailureLeavingAHandlerIsShownOnceAndTheLoopGoesOn) {
    ScriptedMessageService messages;
    const int before = ui::GuardedApplication::errorsShown();
    postFailure([] { throw engine::EngineError(engine::KeyViolation, QStringLiteral("Key violation")); });
    postFailure([] { throw engine::SilentAbort(); });
    postFailure([] { throw std::runtime_error("out of range"); });
    bool ranAfter = false;
    QTimer::singleShot(0, qApp, [&] { ranAfter = true; });
    QTest::qWait(20);

    EXPECT_TRUE(ranAfter);
    ASSERT_EQ(messages.count(), 2) << "a hook that showed its own message is not shown again";
    EXPECT_EQ(messages.calls()[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(messages.calls()[0].text, QStringLiteral("Key violation"));
    EXPECT_EQ(messages.calls()[0].buttons, ui::MessageButtons::Ok);
    EXPECT_EQ(messages.calls()[1].text, QStringLiteral("out of range"));
    EXPECT_EQ(ui::GuardedApplication::errorsShown(), before + 2);
}

TEST(GuardedApplication, AFailingClickLeavesTheButtonUsable) {
    ScriptedMessageService messages;
    QPushButton button(QStringLiteral("Go"));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        if (++clicks == 1)
            throw engine::EngineError(engine::GeneralError, QStringLiteral("first click fails"));
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(messages.lastText(), QStringLiteral("first click fails"));
    EXPECT_FALSE(button.isDown());
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(messages.count(), 1);
}

TEST(GuardedApplication, FailuresWhileTheErrorBoxIsUpOpenNoFurtherBoxes) {
    ReenteringMessages messages;
    ui::MessageService::install(&messages);
    FailingPaint widget;
    widget.resize(50, 50);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    widget.paints = 0;
    messages.texts.clear();
    // The box's loop repaints the failing widget: that failure must not open a box of its own, or the boxes
    // would never end.
    messages.whileShown = [&] { widget.repaint(); };
    widget.repaint();
    ui::MessageService::install(nullptr);

    EXPECT_EQ(widget.paints, 2);
    EXPECT_EQ(messages.texts, QStringList{QStringLiteral("Cannot read Items.dat")});

    // Once the box is closed, the next failure is shown again.
    messages.whileShown = nullptr;
    ui::MessageService::install(&messages);
    widget.repaint();
    ui::MessageService::install(nullptr);
    EXPECT_EQ(messages.texts.size(), 2);
}
