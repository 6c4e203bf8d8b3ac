#include "Database.h"
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
    QByteArray out;
    QString err;
};

} // namespace

// "grocelle --export shopping-list" of the real program, started as a shell would start it, without a
// display.
class ExportCommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(home_.dataFolder());
        CreateDatabaseTables(home_.dataFolder());
    }

    Outcome run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8")); // money as "$4.48"
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(GROCELLE_PROGRAM), arguments);
        Outcome o;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished(5000);
            return o;
        }
        o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        o.out = process.readAllStandardOutput();
        o.err = QString::fromLocal8Bit(process.readAllStandardError());
        return o;
    }
    Outcome exportList(const QString& format, const QString& output, const QStringList& more = {}) {
        return run(QStringList{QStringLiteral("--export"), QStringLiteral("shopping-list"),
                               QStringLiteral("--format"), format, QStringLiteral("--output"), output} +
                   more);
    }

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

    // Corner with milk in its dairy aisle and apples without an aisle; the notes in the settings file.
    void fill() {
        const int corner = add("Shops", {{"ShopName", QStringLiteral("Corner")}}, "ShopID");
        const int dairy = add("Categories", {{"CatName", QStringLiteral("Dairy")}}, "CatID");
        const int fruit = add("Categories", {{"CatName", QStringLiteral("Fruit")}}, "CatID");
        const int milk = add(
            "Products", {{"ProdName", QStringLiteral("Milk")}, {"Category", dairy}, {"UnitOfMeasure", "l"}},
            "ProdID");
        const int apples =
            add("Products", {{"ProdName", QStringLiteral("Apples")}, {"Category", fruit}}, "ProdID");
        add("Items",
            {{"Product", milk},
             {"Shop", corner},
             {"Brand", "Acme"},
             {"Size", 1},
             {"Price", 0.99},
             {"Quantity", 2}},
            nullptr);
        add("Items", {{"Product", apples}, {"Shop", corner}, {"Price", 2.5}, {"Quantity", 1}}, nullptr);
        add("Aisles", {{"Shop", corner}, {"Category", dairy}, {"Sequence", 1.0}, {"RectLeft", -1}}, nullptr);
        QFile ini(home_.dataFolder() + QStringLiteral("/Grocelle.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Notes]\r\nNumOf=1\r\nN1=Bring bags\r\n");
    }

    QString file(const QString& name) const { return temp_.file(name); }

    TempFolder temp_;
    TempHome home_{temp_};
};

TEST_F(ExportCommandLine, WritesEachFormatToAFileOrToStandardOutput) {
    fill();
    Outcome o = exportList(QStringLiteral("text"), QStringLiteral("-"));
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.err, QString());
    EXPECT_EQ(QString::fromUtf8(o.out), QStringLiteral(R"(Shopping list for Corner

Dairy
2 × Milk Acme 1 l — 1.98

Fruit*
1 × Apples — 2.50

Total for Corner: 4.48
* Indicates categories not in aisle sequence.

Grand total: $4.48

Notes
Bring bags
)"));
    o = exportList(QStringLiteral("markdown"), QStringLiteral("-"));
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.startsWith("# Shopping list\n\n## Corner\n")) << o.out.toStdString();
    o = exportList(QStringLiteral("csv"), QStringLiteral("-"),
                   {QStringLiteral("--separator"), QStringLiteral("tab")});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.contains("\r\nCorner\tDairy\tyes\t2\tMilk\tAcme\t1\tl\t0.99\t1.98\r\n"))
        << o.out.toStdString();

    for (const char* format : {"html", "csv"}) {
        const QString path = file(QStringLiteral("list.") + QLatin1String(format));
        o = exportList(QLatin1String(format), path);
        ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(o.out), path + QLatin1Char('\n'));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << format;
        EXPECT_TRUE(written.readAll().startsWith(format == QStringLiteral("html") ? "<!DOCTYPE html>"
                                                                                  : "Shop,Aisle"));
    }
}

TEST_F(ExportCommandLine, NothingListedOrAnUnwritableFileFailsAndWritesNothing) {
    Outcome o = exportList(QStringLiteral("html"), file(QStringLiteral("list.html")));
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.err, QStringLiteral("There are no items on the shopping list to take along.\n"));
    EXPECT_TRUE(o.out.isEmpty());
    fill();
    const QString unwritable = file(QStringLiteral("missing/list.html"));
    o = exportList(QStringLiteral("html"), unwritable);
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(
        o.err,
        QStringLiteral("The file \"%1\" cannot be written: No such file or directory\n").arg(unwritable));
    EXPECT_EQ(
        QDir(temp_.path()).entryList({QStringLiteral("*.html"), QStringLiteral(".*.html*")}, QDir::Files),
        QStringList());
}

TEST_F(ExportCommandLine, WrongArgumentsExitWithTwoAndSaySo) {
    fill();
    const QString out = file(QStringLiteral("list.txt"));
    const std::pair<QStringList, const char*> cases[] = {
        {{"--export", "shopping-list", "--output", out},
         "--export needs --format: html, text, markdown, csv."},
        {{"--export", "shopping-list", "--format", "pdf", "--output", out}, "Unknown format \"pdf\""},
        {{"--export", "fridge-list", "--format", "text", "--output", out}, "Unknown list \"fridge-list\""},
        {{"--export", "shopping-list", "--format", "text"}, "--export needs --output"},
        {{"--export", "shopping-list", "--format", "html", "--output", "-"},
         "The html format is written to a file only"},
        {{"--export", "shopping-list", "--format", "text", "--output", out, "--separator", ";"},
         "--separator belongs to --format csv."},
        {{"--export", "shopping-list", "--format", "csv", "--output", out, "--separator", "\""},
         "cannot separate fields"},
        {{"--format", "text", "--backup"}, "--format belongs to --export."},
        {{"--export", "shopping-list", "--format", "text", "--output", out, "--check"},
         "Give only one command at a time."},
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(o.err.contains(QLatin1String(message))) << o.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}
