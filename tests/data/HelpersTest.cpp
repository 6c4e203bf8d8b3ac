#include "Helpers.h"
#include "TempFolder.h"

#include <QBuffer>
#include <QDir>
#include <QStandardPaths>
#include <QStringListModel>
#include <gtest/gtest.h>

TEST(Helpers, RoundPriceRoundsThe32BitValueHalfToEven) {
    EXPECT_EQ(RoundPrice(1.005), 1.00f) << "1.005 as a 32-bit number lies below the half cent";
    EXPECT_EQ(RoundPrice(1.015), 1.01f);
    EXPECT_EQ(RoundPrice(0.125), 0.12f);
    EXPECT_EQ(RoundPrice(0.375), 0.38f);
    EXPECT_EQ(RoundPrice(2.999), 3.00f);
    EXPECT_EQ(RoundPrice(-1.255), -1.25f);
    EXPECT_EQ(RoundPrice(0.0), 0.0f);
    // The stored value is the 32-bit amount, not the nearest double.
    EXPECT_EQ(static_cast<double>(RoundPrice(0.12)), static_cast<double>(0.12f));
    EXPECT_NE(static_cast<double>(RoundPrice(0.12)), 0.12);
}

TEST(Helpers, ParseTypedNumberTakesOnlyTheLocalesDecimalForm) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ParseTypedNumber(QStringLiteral(" 2.5 "), english), 2.5);
    EXPECT_EQ(ParseTypedNumber(QStringLiteral("-1e2"), english), -100.0);
    EXPECT_EQ(ParseTypedNumber(QStringLiteral("2,5"), german), 2.5);
    // Group separators are refused rather than dropped: "2,5" must never become 25.
    for (const char* text : {"2,5", "1,000", "1,000.5", "", "abc", "1e999", "2.5.1"})
        EXPECT_FALSE(ParseTypedNumber(QString::fromUtf8(text), english)) << text;
    for (const char* text : {"2.5", "1.000", "1.000,5"})
        EXPECT_FALSE(ParseTypedNumber(QString::fromUtf8(text), german)) << text;
}

TEST(Helpers, PluralSuffix) {
    EXPECT_EQ(PluralSuffix(1), QString());
    EXPECT_EQ(PluralSuffix(0), QStringLiteral("s"));
    EXPECT_EQ(PluralSuffix(-1), QStringLiteral("s"));
    EXPECT_EQ(PluralSuffix(2), QStringLiteral("s"));
    EXPECT_EQ(PluralSuffix(1, true), QStringLiteral("y"));
    EXPECT_EQ(PluralSuffix(5, true), QStringLiteral("ies"));
    EXPECT_EQ(QStringLiteral("categor") + PluralSuffix(0, true), QStringLiteral("categories"));
}

TEST(Helpers, NamesAndVersion) {
    EXPECT_EQ(IndexFileName(QStringLiteral("Categories.dat")), QStringLiteral("Categories.idx"));
    EXPECT_EQ(IndexFileName(QStringLiteral("Items.dat")), QStringLiteral("Items.idx"));
    EXPECT_EQ(IndexFileName(QStringLiteral("dat")), QStringLiteral("idx"));
    EXPECT_EQ(IndexFileName(QString()), QStringLiteral("idx"));
    EXPECT_EQ(ProgramVersionText(), QStringLiteral("2.3.0"));
}

TEST(Helpers, TaggedListEntries) {
    EXPECT_EQ(TaggedListEntry(12, QStringLiteral("Corner Market")), QStringLiteral("12###Corner Market"));
    EXPECT_EQ(ExtractLBID(QStringLiteral("12###Corner Market")), 12);
    EXPECT_EQ(ExtractLBID(QStringLiteral("Corner Market")), -1);
    EXPECT_EQ(ExtractLBID(QStringLiteral("x1###Corner")), -1);
    EXPECT_EQ(ExtractLBID(QStringLiteral("-1###None")), -1);
    EXPECT_EQ(TaggedDisplayText(QStringLiteral("7###Fish ### Chips")), QStringLiteral("Fish ### Chips"));
    EXPECT_TRUE(TaggedDisplayText(QStringLiteral("untagged")).isNull());
    EXPECT_EQ(TaggedDisplayText(QStringLiteral("1###") + QString(300, 'a')).size(), 255);

    QStringListModel model({QStringLiteral("3###A"), QStringLiteral("B"), QStringLiteral("44###C")});
    EXPECT_EQ(ExtractLBID(&model, 0), 3);
    EXPECT_EQ(ExtractLBID(&model, 1), -1);
    EXPECT_EQ(ExtractLBID(&model, 2), 44);
    EXPECT_EQ(ExtractLBID(&model, -1), -1);
    EXPECT_EQ(ExtractLBID(&model, 3), -1);
}

TEST(Helpers, ReadShortString) {
    QByteArray data;
    data.append(char(5)).append("Hello").append(char(0)).append(char(3)).append("\xE9t\xE9");
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    EXPECT_EQ(ReadShortString(buffer), QStringLiteral("Hello"));
    EXPECT_EQ(ReadShortString(buffer), QString());
    EXPECT_EQ(ReadShortString(buffer), QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(ReadShortString(buffer), QString()) << "at the end nothing is read";
}

TEST(Helpers, AppDataFolderCreatesTheSubFolderOnce) {
    TempFolder home;
    qputenv("XDG_DATA_HOME", home.sub(QStringLiteral("data")).toUtf8());
    const QString folder = AppDataFolder(SpecialFolder::CommonAppData, QStringLiteral("Grocelle"));
    EXPECT_EQ(folder, home.path() + QStringLiteral("/data/Grocelle/"));
    EXPECT_TRUE(QDir(folder).exists());
    QFile marker(folder + QStringLiteral("keep.txt"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    EXPECT_EQ(AppDataFolder(SpecialFolder::CommonAppData, QStringLiteral("Grocelle")), folder);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("keep.txt")));
    qunsetenv("XDG_DATA_HOME");
}
