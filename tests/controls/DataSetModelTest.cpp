#include "ControlsTestSupport.h"

#include "DataSetModel.h"
#include "Query.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>

using ui::DataSetModel;

namespace {

QStringList columnTexts(const QAbstractItemModel& m, int column) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, column).data().toString();
    return out;
}

} // namespace

// Without columns set by hand the model shows every field; rows come in the object's index order.
TEST_F(ShopsTest, ModelShowsTableAndQueryRows) {
    addShops({QStringLiteral("Corner"), QStringLiteral("Alpha"), QStringLiteral("Market")});
    DataSetModel model(&shops);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), shops.fieldCount());
    const int name = model.columnOfField(QStringLiteral("shopname"));
    ASSERT_GE(name, 0);
    EXPECT_EQ(columnTexts(model, name),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("Corner"), QStringLiteral("Market")}));
    EXPECT_EQ(model.headerData(name, Qt::Horizontal).toString(), QStringLiteral("ShopName"));

    engine::Query q(&db);
    q.setSql(QStringList{QStringLiteral("SELECT ShopName, ShopID FROM Shops"),
                         QStringLiteral("WHERE ShopName <> 'Corner' ORDER BY ShopName DESC")});
    q.open();
    DataSetModel queryModel(&q);
    EXPECT_EQ(queryModel.columnCount(), 2);
    EXPECT_EQ(columnTexts(queryModel, 0), (QStringList{QStringLiteral("Market"), QStringLiteral("Alpha")}));
    // Whole numbers sit to the right, text to the left.
    EXPECT_TRUE(queryModel.index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    EXPECT_TRUE(queryModel.index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);

    // Closing the object empties the model; opening it again fills it.
    shops.close();
    EXPECT_EQ(model.rowCount(), 0);
    shops.open();
    EXPECT_EQ(model.rowCount(), 3);
}

// Columns chosen by field with their own titles, widths and display formats; an unknown field shows nothing.
TEST_F(ShopsTest, ColumnsByHandWithFormatsAndReadOnly) {
    addShops({QStringLiteral("Alpha")});
    DataSetModel model(&shops);
    DataSetModel::Column id{QStringLiteral("ShopID"), QStringLiteral("Id"), 40};
    DataSetModel::Column name{QStringLiteral("ShopName"), QStringLiteral("Shop"), 120};
    DataSetModel::Column price{QStringLiteral("ShopID"), QStringLiteral("Price"), 60, Qt::AlignRight};
    price.formatter = [](const engine::Value& v) {
        const auto* i = std::get_if<std::int64_t>(&v);
        return QLocale().toCurrencyString(i ? static_cast<double>(*i) * 1.5 : 0.0);
    };
    DataSetModel::Column ghost{QStringLiteral("NoSuchField"), QStringLiteral("Ghost")};
    model.setColumns({name, id, price, ghost});

    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Shop"));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("$1.50"));
    EXPECT_EQ(model.index(0, 3).data().toString(), QString());
    EXPECT_TRUE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable) << "auto-increment ids are never typed";
    EXPECT_FALSE(model.flags(model.index(0, 3)) & Qt::ItemIsEditable);
    model.setColumnReadOnly(0, true);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
}

// Appends, deletes and edits made through the object reach the model as row signals, without a reset.
TEST_F(ShopsTest, ModelFollowsAppendsDeletesAndEdits) {
    addShops({QStringLiteral("Bravo"), QStringLiteral("Delta")});
    DataSetModel model(&shops);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy current(&model, &DataSetModel::currentRowChanged);
    const int name = model.columnOfField(QStringLiteral("ShopName"));

    addShops({QStringLiteral("Charlie")});
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.first().at(1).toInt(), 1) << "inserted in index order";
    EXPECT_EQ(columnTexts(model, name),
              (QStringList{QStringLiteral("Bravo"), QStringLiteral("Charlie"), QStringLiteral("Delta")}));
    EXPECT_EQ(current.last().at(0).toInt(), 1);

    shops.moveTo(2);
    shops.edit();
    shops.field(QStringLiteral("Address")).setString(QStringLiteral("Changed"));
    shops.post();
    EXPECT_GE(changed.count(), 1);
    EXPECT_EQ(model.index(2, model.columnOfField(QStringLiteral("Address"))).data().toString(),
              QStringLiteral("Changed"));

    shops.moveTo(0);
    shops.deleteRecord();
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(columnTexts(model, name), (QStringList{QStringLiteral("Charlie"), QStringLiteral("Delta")}));
}

// An edit in a cell is posted to the table at once; a refused one is cancelled, shown, and changes nothing.
TEST_F(ShopsTest, CellEditsPostThroughAndRefusalsChangeNothing) {
    addShops({QStringLiteral("Alpha"), QStringLiteral("Bravo")});
    DataSetModel model(&shops);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const int name = model.columnOfField(QStringLiteral("ShopName"));
    const int address = model.columnOfField(QStringLiteral("Address"));

    EXPECT_TRUE(model.setData(model.index(1, address), QStringLiteral("1 High Road")));
    EXPECT_EQ(storedAddress(QStringLiteral("Bravo")), QStringLiteral("1 High Road"));
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(messages.count(), 0);

    // A duplicate name, whatever its case.
    EXPECT_FALSE(model.setData(model.index(0, name), QStringLiteral("BRAVO")));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.calls()[0].kind, ui::MessageKind::Error);
    EXPECT_FALSE(messages.lastText().isEmpty());
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(model.index(0, name).data().toString(), QStringLiteral("Alpha"));
    EXPECT_EQ(storedAddress(QStringLiteral("Alpha")), QStringLiteral("Alpha Street"));

    // A post-error hook that deals with the error itself keeps the grid quiet.
    int hookCalls = 0;
    shops.setOnPostError([&](engine::DataSet&, const engine::EngineError& e) {
        EXPECT_EQ(e.code(), engine::KeyViolation);
        ++hookCalls;
        return engine::DataSet::PostErrorAction::Abort;
    });
    EXPECT_FALSE(model.setData(model.index(0, name), QStringLiteral("bravo")));
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(shops.state(), engine::DataSet::State::Browse);

    // Text a number field cannot take is refused the same way.
    engine::Table items(&db, QStringLiteral("Aisles"));
    items.open();
    items.append();
    items.field(QStringLiteral("Category")).setInteger(1);
    items.field(QStringLiteral("Shop")).setInteger(1);
    items.post();
    DataSetModel aisles(&items);
    const int left = aisles.columnOfField(QStringLiteral("RectLeft"));
    EXPECT_FALSE(aisles.setData(aisles.index(0, left), QStringLiteral("abc")));
    EXPECT_EQ(messages.count(), 2);
    EXPECT_TRUE(aisles.setData(aisles.index(0, left), QStringLiteral("12")));
    EXPECT_EQ(items.field(QStringLiteral("RectLeft")).asInteger(), 12);
}
