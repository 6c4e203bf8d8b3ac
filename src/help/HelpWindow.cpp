#include "HelpWindow.h"

#include "DialogService.h"
#include "Icons.h"

#include <QHBoxLayout>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpLink>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace help {

namespace {

const QString kHelpScheme = QStringLiteral("qthelp");

QString MissingCollectionPage(const QString& file) {
    return QStringLiteral("<html><body><h2>Help is not available</h2><p>The help file <b>%1</b> could not be "
                          "opened. Installing Grocelle again puts it back.</p></body></html>")
        .arg(file.toHtmlEscaped());
}

} // namespace

HelpBrowser::HelpBrowser(const HelpCollection& collection, QWidget* parent)
    : QTextBrowser(parent), collection_(collection) {
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == kHelpScheme || url.isRelative())
            setSource(source().resolved(url));
        else
            ui::DialogService::instance().openUrl(window(), url);
    });
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() != kHelpScheme)
        return QTextBrowser::loadResource(type, name);
    const QByteArray data = collection_.fileData(name);
    if (type == QTextDocument::StyleSheetResource && palette().color(QPalette::Base).lightness() < 128)
        // The topics' greens are for a white page: lighter headings and darker table heads on a dark one.
        return QString::fromUtf8(data) +
               QStringLiteral("\nh1, h2 { color: #81c784; }\nth { background-color: #1b5e20; }\n");
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(data);
    return data;
}

HelpWindow::HelpWindow(std::unique_ptr<HelpCollection> collection, QWidget* parent)
    : QMainWindow(parent), collection_(std::move(collection)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(collection_->windowTitle());
    resize(900, 640);

    Browser = new HelpBrowser(*collection_, this);
    Browser->setObjectName(QStringLiteral("HelpBrowser"));

    Tabs = new QTabWidget(this);
    Tabs->setObjectName(QStringLiteral("HelpTabs"));

    ContentsTree = new QTreeView(Tabs);
    ContentsTree->setObjectName(QStringLiteral("ContentsTree"));
    ContentsTree->setHeaderHidden(true);
    ContentsTree->setModel(collection_->engine().contentModel());
    Tabs->addTab(ContentsTree, QStringLiteral("&Contents"));

    auto* indexPage = new QWidget(Tabs);
    IndexEdit = new QLineEdit(indexPage);
    IndexEdit->setObjectName(QStringLiteral("IndexEdit"));
    IndexEdit->setPlaceholderText(QStringLiteral("Type a keyword"));
    IndexList = new QListView(indexPage);
    IndexList->setObjectName(QStringLiteral("IndexList"));
    IndexList->setModel(collection_->engine().indexModel());
    IndexList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto* indexLayout = new QVBoxLayout(indexPage);
    auto* indexLabel = new QLabel(QStringLiteral("&Look for:"), indexPage);
    indexLabel->setBuddy(IndexEdit);
    indexLayout->addWidget(indexLabel);
    indexLayout->addWidget(IndexEdit);
    indexLayout->addWidget(IndexList, 1);
    Tabs->addTab(indexPage, QStringLiteral("&Index"));

    auto* searchPage = new QWidget(Tabs);
    SearchEdit = new QLineEdit(searchPage);
    SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    SearchEdit->setPlaceholderText(QStringLiteral("Words to find"));
    SearchBtn = new QPushButton(QStringLiteral("S&earch"), searchPage);
    SearchBtn->setObjectName(QStringLiteral("SearchBtn"));
    SearchResults = new QListWidget(searchPage);
    SearchResults->setObjectName(QStringLiteral("SearchResults"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(SearchEdit, 1);
    searchRow->addWidget(SearchBtn);
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addLayout(searchRow);
    searchLayout->addWidget(SearchResults, 1);
    Tabs->addTab(searchPage, QStringLiteral("&Search"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(Tabs);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setObjectName(QStringLiteral("HelpToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto icon = [](const char* name) { return ui::Icons::icon(QLatin1String(name)); };
    BackAction = bar->addAction(icon("left"), QStringLiteral("&Back"), Browser, &QTextBrowser::backward);
    BackAction->setObjectName(QStringLiteral("BackAction"));
    BackAction->setShortcut(QKeySequence::Back);
    ForwardAction =
        bar->addAction(icon("right"), QStringLiteral("&Forward"), Browser, &QTextBrowser::forward);
    ForwardAction->setObjectName(QStringLiteral("ForwardAction"));
    ForwardAction->setShortcut(QKeySequence::Forward);
    HomeAction = bar->addAction(icon("list"), QStringLiteral("&Home"), this, &HelpWindow::showDefault);
    HomeAction->setObjectName(QStringLiteral("HomeAction"));
    BackAction->setEnabled(false);
    ForwardAction->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, BackAction, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardAction, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, &HelpWindow::syncContents);
    // The contents are read in the background; once there, the book is opened at the page shown.
    connect(collection_->engine().contentModel(), &QHelpContentModel::contentsCreated, this, [this] {
        ContentsTree->expandToDepth(0);
        syncContents(Browser->source());
    });

    connect(ContentsTree, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (QHelpContentItem* item = collection_->engine().contentModel()->contentItemAt(index))
            showTopic(item->url());
    });
    connect(ContentsTree, &QTreeView::clicked, ContentsTree, &QTreeView::activated);
    connect(IndexEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QModelIndex best = collection_->engine().indexModel()->filter(text);
        if (best.isValid())
            IndexList->setCurrentIndex(best);
    });
    connect(IndexEdit, &QLineEdit::returnPressed, this, &HelpWindow::openIndexEntry);
    connect(IndexList, &QListView::activated, this, &HelpWindow::openIndexEntry);
    connect(IndexList, &QListView::clicked, this, &HelpWindow::openIndexEntry);
    // The tab chosen is ready for typing.
    connect(Tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == IndexTab)
            IndexEdit->setFocus();
        else if (tab == SearchTab)
            SearchEdit->setFocus();
    });
    connect(SearchBtn, &QPushButton::clicked, this, [this] { search(SearchEdit->text()); });
    connect(SearchEdit, &QLineEdit::returnPressed, SearchBtn, &QPushButton::click);
    connect(SearchResults, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showTopic(item->data(Qt::UserRole).toUrl()); });
    connect(SearchResults, &QListWidget::itemClicked, SearchResults, &QListWidget::itemActivated);

    if (!collection_->isOpen())
        Browser->setHtml(MissingCollectionPage(collection_->file()));
}

HelpWindow::~HelpWindow() {
    // The views go before the engine whose models they show.
    delete centralWidget();
}

void HelpWindow::showTopic(const QUrl& url) {
    if (!collection_->isOpen() || !url.isValid())
        return;
    if (url != Browser->source())
        Browser->setSource(url);
}

void HelpWindow::showContext(int contextId) {
    showTopic(collection_->topicForContext(contextId));
}

void HelpWindow::showDefault() {
    showTopic(collection_->defaultTopic());
}

void HelpWindow::showContents() {
    Tabs->setCurrentIndex(ContentsTab);
    if (Browser->source().isEmpty())
        showDefault();
}

void HelpWindow::showIndex(const QString& keyword) {
    Tabs->setCurrentIndex(IndexTab);
    IndexEdit->setText(keyword);
    IndexEdit->setFocus();
    if (Browser->source().isEmpty())
        showDefault();
}

void HelpWindow::search(const QString& words) {
    Tabs->setCurrentIndex(SearchTab);
    if (SearchEdit->text() != words)
        SearchEdit->setText(words);
    SearchResults->clear();
    const QList<Topic> found = collection_->search(words);
    for (const Topic& topic : found) {
        auto* item = new QListWidgetItem(topic.title.isEmpty() ? topic.url.fileName() : topic.title);
        item->setData(Qt::UserRole, topic.url);
        SearchResults->addItem(item);
    }
    if (found.isEmpty() && !SearchWords(words).isEmpty())
        SearchResults->addItem(QStringLiteral("No page contains these words."));
}

void HelpWindow::bringToFront() {
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void HelpWindow::openIndexEntry() {
    const QModelIndex current = IndexList->currentIndex();
    if (!current.isValid())
        return;
    const QList<QHelpLink> links = collection_->engine().documentsForKeyword(current.data().toString());
    if (!links.isEmpty())
        showTopic(links.first().url);
}

void HelpWindow::syncContents(const QUrl& url) {
    QHelpContentModel* model = collection_->engine().contentModel();
    // Walks the contents for the page, so the tree shows where the reader is.
    std::function<QModelIndex(const QModelIndex&)> find = [&](const QModelIndex& parent) -> QModelIndex {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            const QHelpContentItem* item = model->contentItemAt(index);
            if (item && item->url().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment))
                return index;
            const QModelIndex inner = find(index);
            if (inner.isValid())
                return inner;
        }
        return {};
    };
    const QModelIndex at = find({});
    if (at.isValid())
        ContentsTree->setCurrentIndex(at);
}

} // namespace help
