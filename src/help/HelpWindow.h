#pragma once

#include "HelpCollection.h"

#include <QMainWindow>
#include <QTextBrowser>

#include <memory>

class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeView;

namespace help {

// Shows the pages of a help collection; links out of the collection go to the user's browser.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    HelpBrowser(const HelpCollection& collection, QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const HelpCollection& collection_;
};

// The help window of one collection: contents, index and full-text search beside the page, with back,
// forward and the default topic on the tool bar. Closing only hides it; it keeps its place and history.
class HelpWindow : public QMainWindow {
    Q_OBJECT

public:
    enum Tab { ContentsTab, IndexTab, SearchTab };

    explicit HelpWindow(std::unique_ptr<HelpCollection> collection, QWidget* parent = nullptr);
    ~HelpWindow() override;

    const HelpCollection& collection() const { return *collection_; }
    QUrl currentTopic() const { return Browser->source(); }

    void showTopic(const QUrl& url);
    void showContext(int contextId);
    void showDefault();
    // The contents beside the page shown (the default topic when none is).
    void showContents();
    // The index, scrolled to the first keyword that starts with the text.
    void showIndex(const QString& keyword);
    // Runs the search for the words and lists the pages found.
    void search(const QString& words);
    void bringToFront();

    HelpBrowser* Browser = nullptr;
    QTabWidget* Tabs = nullptr;
    QTreeView* ContentsTree = nullptr;
    QLineEdit* IndexEdit = nullptr;
    QListView* IndexList = nullptr;
    QLineEdit* SearchEdit = nullptr;
    QPushButton* SearchBtn = nullptr;
    QListWidget* SearchResults = nullptr;
    QAction* BackAction = nullptr;
    QAction* ForwardAction = nullptr;
    QAction* HomeAction = nullptr;

private:
    void openIndexEntry();
    void syncContents(const QUrl& url);

    std::unique_ptr<HelpCollection> collection_;
};

} // namespace help
