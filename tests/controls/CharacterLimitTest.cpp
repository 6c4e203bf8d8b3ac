#include "CharacterLimit.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kApple = QString::fromUtf8("🍎");

int characters(const QString& text) {
    return static_cast<int>(text.toUcs4().size());
}

} // namespace

TEST(CharacterLimit, CountsCodePointsWhenTextIsSetTypedOrPasted) {
    QLineEdit edit;
    ui::limitCharacters(&edit, 5);

    // Five emoji are five characters, though ten UTF-16 units.
    edit.setText(kApple.repeated(5));
    EXPECT_EQ(edit.text(), kApple.repeated(5));
    // Longer text set is cut at the limit, never inside a character.
    edit.setText(kApple.repeated(3) + QStringLiteral("abcdef"));
    EXPECT_EQ(edit.text(), kApple.repeated(3) + QStringLiteral("ab"));

    // Typing into a full box is refused, wherever the cursor is.
    edit.show();
    edit.setCursorPosition(2);
    QTest::keyClicks(&edit, QStringLiteral("z"));
    EXPECT_EQ(edit.text(), kApple.repeated(3) + QStringLiteral("ab"));

    edit.setText(QStringLiteral("ab"));
    edit.setCursorPosition(1);
    QTest::keyClicks(&edit, QStringLiteral("xyz"));
    EXPECT_EQ(edit.text(), QStringLiteral("axyzb"));
    QTest::keyClicks(&edit, QStringLiteral("w"));
    EXPECT_EQ(edit.text(), QStringLiteral("axyzb"));

    // A paste keeps what was there and takes as much of the pasted text as fits.
    edit.setText(QStringLiteral("ab"));
    edit.setCursorPosition(1);
    edit.insert(kApple.repeated(4));
    EXPECT_EQ(edit.text(), QStringLiteral("a") + kApple.repeated(3) + QStringLiteral("b"));
    EXPECT_EQ(characters(edit.text()), 5);
}
