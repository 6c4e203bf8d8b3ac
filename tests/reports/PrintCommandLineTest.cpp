#include "Database.h"
#include "PdfPages.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// "grocelle --print price-form" and "--print floorplan:SHOPID" run as a shell would, without a display.
class PrintCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(home_.dataFolder());
        CreateDatabaseTables(home_.dataFolder());
    }

    Outcome print(const QString& report) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(GROCELLE_PROGRAM),
                      {QStringLiteral("--print"), report, QStringLiteral("--output"), pdf()});
        Outcome o;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished(5000);
            return o;
        }
        o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        o.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        o.err = QString::fromLocal8Bit(process.readAllStandardError());
        return o;
    }

    QString pdf() const { return temp_.file(QStringLiteral("out.pdf")); }

    int add(const char* table, std::initializer_list<std::pair<const char*, QVariant>> values,
            const char* id) {
        engine::Database db(home_.dataFolder());
        engine::Table t(&db, QLatin1String(table));
        t.open();
        t.append();
        for (const auto& [field, value] : values) {
            if (value.typeId() == QMetaType::QString)
                t.field(QLatin1String(field)).setString(value.toString());
            else if (value.typeId() == QMetaType::Double)
                t.field(QLatin1String(field)).setFloat(value.toDouble());
            else
                t.field(QLatin1String(field)).setInteger(value.toInt());
        }
        t.post();
        return id ? t.field(QLatin1String(id)).asInteger() : 0;
    }
    int shop(const QString& name, const QString& address = QString()) {
        return add("Shops", {{"ShopName", name}, {"Address", address}}, "ShopID");
    }
    int category(const QString& name) { return add("Categories", {{"CatName", name}}, "CatID"); }
    int product(const QString& name, int cat) {
        return add("Products",
                   {{"ProdName", name}, {"Category", cat}, {"UnitOfMeasure", QStringLiteral("g")}}, "ProdID");
    }
    void item(int prod, int shopId, double price, int size) {
        add("Items", {{"Product", prod}, {"Shop", shopId}, {"Price", price}, {"Size", size}}, nullptr);
    }
    void aisle(int shopId, int cat, double seq, int l, int t, int r, int b) {
        add("Aisles",
            {{"Shop", shopId},
             {"Category", cat},
             {"Sequence", seq},
             {"RectLeft", l},
             {"RectTop", t},
             {"RectRight", r},
             {"RectBottom", b}},
            nullptr);
    }
    void settings(const QByteArray& text) {
        QFile f(home_.dataFolder() + QStringLiteral("/Grocelle.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    // Two shops, three product types in two categories; apples twice at one shop, the free one ignored.
    void fill() {
        const int corner = shop(QStringLiteral("Corner"), QStringLiteral("  1 Main St ")),
                  hall = shop(QStringLiteral("Hall"));
        const int dairy = category(QStringLiteral("Dairy")), fruit = category(QStringLiteral("Fruit"));
        const int milk = product(QStringLiteral("Milk"), dairy),
                  apples = product(QStringLiteral("Apples"), fruit),
                  cheese = product(QStringLiteral("Cheese"), dairy);
        item(milk, corner, 1.0, 1000);
        item(milk, hall, 0.95, 1000);
        item(apples, hall, 0.0, 500);
        item(apples, hall, 2.25, 750);
        item(cheese, corner, 3.5, 200);
        aisle(corner, dairy, 100, 20, 20, 119, 59);
        aisle(corner, fruit, 110, 20, 80, 59, 199);
        aisle(hall, dairy, 100, -1, 0, 0, 0);
    }

    TempFolder temp_;
    TempHome home_{temp_};
};

TEST_F(PrintCommandLine, PriceFormInCategoryOrThenProductOrder) {
    fill();
    Outcome o = print(QStringLiteral("price-form"));
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.err, QString());
    QStringList pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pdfRows(pages[0]), (QStringList{"Product Corner Hall", "Cheese 3.50 200g",
                                              "Milk 1.00 1000g 0.95 1000g", "Apples 2.25 750g"}));

    settings("[Prefs]\r\nPCFSortCat=N\r\nPCFSortProd=Y\r\n");
    o = print(QStringLiteral("price-form"));
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(pdfRows(pages[0]), (QStringList{"Product Corner Hall", "Apples 2.25 750g", "Cheese 3.50 200g",
                                              "Milk 1.00 1000g 0.95 1000g"}));
}

TEST_F(PrintCommandLine, PriceFormWithNothingToPrintWritesNoFile) {
    Outcome o = print(QStringLiteral("price-form"));
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.trimmed(), "There are no shops to print.");
    EXPECT_FALSE(QFile::exists(pdf()));

    shop(QStringLiteral("Corner"));
    o = print(QStringLiteral("price-form"));
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.trimmed(), "There are no items to print.");
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(PrintCommandLine, FloorplanOfAStoredPlan) {
    fill();
    const Outcome o = print(QStringLiteral("floorplan:1"));
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.err, QString());
    const QStringList pages = pdfPages(pdf());
    ASSERT_EQ(pages.size(), 1);
    const QStringList r = pdfRows(pages[0]);
    ASSERT_GE(r.size(), 3) << r.join("\n").toStdString();
    EXPECT_EQ(r[0], "Corner, 1 Main St");
    const QString plan = r.mid(1).join(QLatin1Char(' '));
    EXPECT_TRUE(plan.contains("Dairy")) << plan.toStdString();
    EXPECT_TRUE(plan.contains("Fruit")) << plan.toStdString();
}

TEST_F(PrintCommandLine, FloorplanOfAnUnknownShopOrOneWithoutPlacedAislesFails) {
    fill();
    Outcome o = print(QStringLiteral("floorplan:99"));
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.trimmed(), "There is no shop with the id 99.");
    EXPECT_FALSE(QFile::exists(pdf()));

    o = print(QStringLiteral("floorplan:Hall"));
    EXPECT_EQ(o.exitCode, 2) << "a wrong argument";
    EXPECT_TRUE(o.err.contains("\"Hall\" is not a shop id")) << o.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf()));

    o = print(QStringLiteral("floorplan:2")); // Hall's only aisle is not placed
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err.trimmed(), "There are no aisles to print.");
    EXPECT_FALSE(QFile::exists(pdf()));
}
