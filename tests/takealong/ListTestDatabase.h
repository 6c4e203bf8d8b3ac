#pragma once

#include "ReportTestDatabase.h"
#include "TakeAlongList.h"

#include <QProcess>

// One small database the formats are written from: Corner (1 Main St) with Dairy and Fruit in aisle
// sequence and Bakery without an aisle, an item without a price and one not on the list; Hall with one item.
class ListTest : public ReportTest {
protected:
    ListTest() { source.settings.notes = {QStringLiteral("Buy candles"), QStringLiteral("Ask at the desk")}; }

    void fillTwoShops() {
        corner = addShop(QStringLiteral("Corner"), QStringLiteral("1 Main St"));
        hall = addShop(QStringLiteral("Hall"));
        const int dairy = addCategory(QStringLiteral("Dairy"));
        const int fruit = addCategory(QStringLiteral("Fruit"));
        const int bakery = addCategory(QStringLiteral("Bakery"));
        addAisle(corner, fruit, 2);
        addAisle(corner, dairy, 1);
        addAisle(hall, dairy, 1);
        addItem(addProduct(QStringLiteral("Milk"), dairy, QStringLiteral("l")), corner,
                QStringLiteral("Acme"), 1, 0.99, 2);
        addItem(addProduct(QStringLiteral("Cheese"), dairy, QStringLiteral("g")), corner,
                QStringLiteral("Brie"), 200, 3.5, 1);
        addItem(addProduct(QStringLiteral("Apples"), fruit, QStringLiteral("kg")), corner, QString(), 1, 2.4,
                3);
        addItem(addProduct(QStringLiteral("Bread"), bakery), corner, QString(), 0, -1, 1);
        addItem(addProduct(QStringLiteral("Yoghurt"), dairy), corner, QString(), 0, 1.0, 0); // not listed
        addItem(addProduct(QStringLiteral("Oat milk"), dairy, QStringLiteral("l")), hall,
                QStringLiteral("Avena"), 1, 1.99, 2);
    }

    TakeAlongList list(const QList<int>& shops = {}) { return TakeAlongList::read(source, shops); }

    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(temp.file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        return f.fileName();
    }

    // Runs a check of tests/takealong/list_checks.py on a file and returns what it printed.
    static QByteArray check(const QStringList& arguments, int timeoutMs = 60000) {
        QProcess p;
        p.start(QStringLiteral("python3"), QStringList{QStringLiteral(LIST_CHECKS)} + arguments);
        const bool done = p.waitForFinished(timeoutMs);
        EXPECT_TRUE(done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            << p.readAllStandardError().toStdString();
        return p.readAllStandardOutput();
    }

    int corner = 0;
    int hall = 0;
};
