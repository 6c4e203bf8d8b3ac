#include "RunningProgram.h"

#include "AislesPage.h"
#include "AislesTabSheet.h"
#include "Schema.h"
#include "Table.h"
#include "TableFiles.h"
#include "TaggedListBox.h"
#include "ThemedDBGrid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

void RunningProgram::TearDown() {
    for (const QPointer<QTimer>& timer : modalSteps_)
        delete timer.data();
    AppFixture::TearDown();
}

void RunningProgram::fillCatalogue() {
    // Written once, then copied for each test: writing row by row costs a sync of the files each time.
    static QTemporaryDir filled;
    if (!QFile::exists(filled.filePath(QStringLiteral("Items.dat"))))
        writeCatalogue(filled.path());
    QDir().mkpath(dataFolder());
    for (const QString& name : QDir(filled.path()).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(filled.filePath(name), dataFolder() + QLatin1Char('/') + name))
            << name.toStdString();
}

void RunningProgram::writeCatalogue(const QString& folder) {
    CreateDatabaseTables(folder);
    engine::Database db(folder);
    using Fields = std::initializer_list<std::pair<const char*, engine::Value>>;
    const auto append = [&](const char* table, Fields values) {
        engine::Table t(&db, QLatin1String(table));
        t.open();
        t.append();
        for (const auto& [field, value] : values)
            t.field(QLatin1String(field)).setValue(value);
        t.post();
    };
    const auto text = [](const char* s) { return engine::textValue(QString::fromUtf8(s)); };
    const auto id = [](int i) { return engine::Value{std::int64_t{i}}; };
    for (const char* name : {"Dairy", "Bakery", "Fruit"})
        append("Categories", {{"CatName", text(name)}});
    append("Shops", {{"ShopName", text("Corner Market")}, {"Address", text("1 High Street")}});
    append("Shops", {{"ShopName", text("Market Hall")}});
    for (auto [name, category] :
         {std::pair{"Milk", 1}, std::pair{"Bread", 2}, std::pair{"Apples", 3}, std::pair{"Cream", 1}})
        append("Products",
               {{"ProdName", text(name)}, {"UnitOfMeasure", text("g")}, {"Category", id(category)}});
    struct Item {
        int product;
        const char* brand;
        int shop;
        double price;
        int quantity;
    };
    for (const Item& i : {Item{1, "X", 1, 1.00, 2}, Item{1, "Y", 2, 1.50, 0}, Item{2, "Z", 1, 2.00, 1},
                          Item{3, "A", 1, 0.50, 0}})
        append("Items", {{"Product", id(i.product)},
                         {"Brand", text(i.brand)},
                         {"Size", id(500)},
                         {"Price", i.price},
                         {"Shop", id(i.shop)},
                         {"Quantity", i.quantity ? id(i.quantity) : engine::Value{}}});
    append("Aisles", {{"Shop", id(1)},
                      {"Category", id(1)},
                      {"Sequence", 100.0},
                      {"RectLeft", id(20)},
                      {"RectTop", id(20)},
                      {"RectRight", id(120)},
                      {"RectBottom", id(40)}});
    append("Aisles", {{"Shop", id(1)}, {"Category", id(2)}, {"Sequence", 110.0}, {"RectLeft", id(-1)}});
}

MainWindow& RunningProgram::startFilled() {
    fillCatalogue();
    MainWindow& main = start();
    main.resize(900, 650);
    QApplication::setActiveWindow(&main);
    return main;
}

void RunningProgram::fromEventLoop(const std::function<void()>& step) {
    bool done = false;
    bool stuck = false;
    // A dialog left open with no step to answer it would wait for ever inside the step: closed after a while.
    QTimer watchdog;
    int idle = 0;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        const bool answerPending = std::any_of(modalSteps_.begin(), modalSteps_.end(),
                                               [](const QPointer<QTimer>& t) { return t && t->isActive(); });
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || answerPending) {
            idle = 0;
        } else if (++idle > 20) {
            stuck = true;
            dialog->reject();
        }
    });
    watchdog.start(50);
    QTimer::singleShot(0, qApp, [&] {
        // Marks the end also when the step fails.
        struct Done {
            bool& flag;
            ~Done() { flag = true; }
        } mark{done};
        step();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 20000)) << "the step did not end";
    EXPECT_FALSE(stuck) << "a dialog stayed open";
    for (const QPointer<QTimer>& timer : modalSteps_)
        delete timer.data();
    modalSteps_.clear();
}

void RunningProgram::whenModal(std::function<void(QWidget*)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            step(modal);
        }
    });
    timer->start();
    modalSteps_.emplace_back(timer);
}

void RunningProgram::clickTab(int pageIndex) {
    auto* bar = window_->pageControl()->findChild<QTabBar*>();
    ASSERT_TRUE(bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(pageIndex).center());
}

void RunningProgram::clickSubTab(AislesPage& aisles, int subPage) {
    auto* bar = aisles.PageControl2->findChild<QTabBar*>();
    ASSERT_TRUE(bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(subPage).center());
}

void RunningProgram::clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers) {
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    ASSERT_TRUE(cell.isValid()) << "row " << row << " is not shown";
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void RunningProgram::clickButton(QWidget* button) {
    ASSERT_TRUE(button);
    ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

void RunningProgram::dragList(TaggedListBox* source, int row, QWidget* target, QPoint to) {
    ASSERT_TRUE(source->item(row)) << "no row " << row << " to drag";
    const QPoint from = source->visualItemRect(source->item(row)).center();
    source->item(row)->setSelected(true);
    QTest::mousePress(source->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(source->viewport(), from + QPoint(20, 0));
    // Once the drag runs, the events go to the widget that grabbed the mouse, as the window system sends
    // them.
    QWidget* receiver = QWidget::mouseGrabber() ? QWidget::mouseGrabber() : source->viewport();
    const QPoint end = receiver->mapFromGlobal(target->mapToGlobal(to));
    QTest::mouseMove(receiver, end);
    QTest::mouseRelease(receiver, Qt::LeftButton, {}, end);
}

ui::ThemedDBGrid* RunningProgram::grid(const char* name) const {
    return window_->findChild<ui::ThemedDBGrid*>(QLatin1String(name));
}

AislesPage& RunningProgram::aislesPage() const {
    return *dynamic_cast<AislesTabSheet*>(window_->page(MainWindow::AislePageIndex))->page();
}

QString RunningProgram::contents() const {
    return tableContents(dataFolder());
}

QStringList RunningProgram::errorTexts() const {
    QStringList out;
    for (const auto& call : messages_.calls())
        if (call.kind == ui::MessageKind::Error)
            out << call.text;
    return out;
}
