#include "ListTestDatabase.h"
#include "PlainTextListWriter.h"
#include "QrCodeSeries.h"

namespace {

// What zbarimg reads from the picture, byte for byte.
QByteArray scanned(const QImage& image, const QString& file) {
    EXPECT_TRUE(image.save(file, "PNG"));
    QProcess p;
    p.start(QStringLiteral("zbarimg"),
            {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("-Sbinary"), file});
    EXPECT_TRUE(p.waitForFinished(30000)) << "zbarimg did not end";
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

} // namespace

TEST_F(ListTest, QrCodeScansBackToTheExactText) {
    fillTwoShops();
    source.settings.notes << QString::fromUtf8("Ask for חלב 🍎");
    const QString text = PlainTextListWriter().write(list());
    const QrCodeSeries series(text);
    ASSERT_EQ(series.count(), 1);
    EXPECT_LE(series.code(0).version(), QrCode::kMaxVersion);
    EXPECT_EQ(scanned(series.code(0).image(4), temp.file(QStringLiteral("code.png"))), text.toUtf8());
}

TEST_F(ListTest, ALongListSplitsIntoCodesThatGiveTheTextBackInOrder) {
    const int shop = addShop(QStringLiteral("Hall"));
    const int cat = addCategory(QStringLiteral("Pantry"));
    addAisle(shop, cat, 1);
    for (int i = 0; i < 60; ++i)
        addItem(addProduct(QStringLiteral("Product number %1").arg(i, 2, 10, QLatin1Char('0')), cat), shop,
                QStringLiteral("Brand"), 250, 1.25, 1);
    // A note longer than a code is cut between characters, never inside one.
    source.settings.notes = {QString(QrCode::capacity(), QChar(0x00e9))};
    const QString text = PlainTextListWriter().write(list());
    const QrCodeSeries series(text);
    ASSERT_GE(series.count(), 4);
    QByteArray joined;
    for (int i = 0; i < series.count(); ++i) {
        EXPECT_LE(series.part(i).size(), QrCode::capacity());
        EXPECT_TRUE(QString::fromUtf8(series.part(i)).toUtf8() == series.part(i))
            << "part " << i << " cuts a character";
        const QByteArray read = scanned(series.code(i).image(4), temp.file(QStringLiteral("part.png")));
        EXPECT_EQ(read, series.part(i)) << "part " << i;
        joined += read;
    }
    EXPECT_EQ(joined, text.toUtf8());
    // Whole lines where they fit: a part ends inside a line only when the line is too long for a code.
    for (int i = 0; i + 1 < series.count(); ++i)
        EXPECT_TRUE(series.part(i).endsWith('\n') || series.part(i).size() >= QrCode::capacity() - 3) << i;
    // Without prices the text is shorter and needs no more codes.
    EXPECT_LE(QrCodeSeries(PlainTextListWriter(false).write(list())).count(), series.count());
}
