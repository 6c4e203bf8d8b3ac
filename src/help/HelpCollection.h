#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

class QHelpEngine;

namespace help {

// One page of a help collection.
struct Topic {
    QUrl url;
    QString title;
    friend bool operator==(const Topic&, const Topic&) = default;
};

// A compiled help collection opened read-only (it may sit in a folder the user cannot write): its topics by
// context id and by index keyword, its default topic, and a full-text search over its pages. Needs no
// window; the help window shows its contents and index through engine().
class HelpCollection {
public:
    explicit HelpCollection(const QString& collectionFile);
    ~HelpCollection();
    HelpCollection(const HelpCollection&) = delete;
    HelpCollection& operator=(const HelpCollection&) = delete;

    const QString& file() const { return file_; }
    // False when the file is missing or no help collection; then every look-up finds nothing.
    bool isOpen() const { return open_; }
    QString windowTitle() const;

    // The page a context id stands for (keywords carry the ids); the default topic for an unknown id.
    QUrl topicForContext(int contextId) const;
    QUrl defaultTopic() const;
    // The pages an index keyword leads to.
    QList<Topic> lookUp(const QString& keyword) const;
    // Pages that contain every word of the text, those with the most hits first.
    QList<Topic> search(const QString& text) const;

    QByteArray fileData(const QUrl& url) const;
    QString titleOf(const QUrl& url) const;
    QHelpEngine& engine() const { return *engine_; }

private:
    struct Page {
        Topic topic;
        QHash<QString, int> words; // word in lower case -> occurrences
    };
    void readPages() const;

    QString file_;
    std::unique_ptr<QHelpEngine> engine_;
    bool open_ = false;
    mutable bool pagesRead_ = false;
    mutable QList<Page> pages_;
};

// The words of a text as the search sees them: letters and digits, in lower case.
QStringList SearchWords(const QString& text);

} // namespace help
