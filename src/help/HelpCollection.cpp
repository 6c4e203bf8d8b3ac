#include "HelpCollection.h"

#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <algorithm>

namespace help {

namespace {

// The keyword id that marks the page shown when nothing more precise is asked for.
const QString kDefaultTopicId = QStringLiteral("default");

QString PageTitle(const QString& html) {
    static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = title.match(html);
    return m.hasMatch() ? m.captured(1).simplified() : QString();
}

} // namespace

QStringList SearchWords(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    return text.toLower().split(separators, Qt::SkipEmptyParts);
}

HelpCollection::HelpCollection(const QString& collectionFile)
    : file_(collectionFile), engine_(std::make_unique<QHelpEngine>(collectionFile)) {
    // Installed collections lie in a folder the user cannot write; the engine must not try.
    engine_->setReadOnly(true);
    engine_->setUsesFilterEngine(true);
    open_ = QFileInfo(collectionFile).isFile() && engine_->setupData() &&
            !engine_->registeredDocumentations().isEmpty();
}

HelpCollection::~HelpCollection() = default;

QString HelpCollection::windowTitle() const {
    const QString title = open_ ? engine_->customValue(QStringLiteral("WindowTitle")).toString() : QString();
    return title.isEmpty() ? QStringLiteral("Help") : title;
}

QUrl HelpCollection::defaultTopic() const {
    if (!open_)
        return {};
    const QList<QHelpLink> links = engine_->documentsForIdentifier(kDefaultTopicId);
    return links.isEmpty() ? QUrl() : links.first().url;
}

QUrl HelpCollection::topicForContext(int contextId) const {
    if (!open_)
        return {};
    const QList<QHelpLink> links = engine_->documentsForIdentifier(QString::number(contextId));
    return links.isEmpty() ? defaultTopic() : links.first().url;
}

QList<Topic> HelpCollection::lookUp(const QString& keyword) const {
    QList<Topic> topics;
    if (!open_)
        return topics;
    for (const QHelpLink& link : engine_->documentsForKeyword(keyword.trimmed()))
        topics << Topic{link.url, link.title};
    return topics;
}

void HelpCollection::readPages() const {
    if (pagesRead_)
        return;
    pagesRead_ = true;
    if (!open_)
        return;
    for (const QString& ns : engine_->registeredDocumentations())
        for (const QUrl& url : engine_->files(ns, QString(), QStringLiteral("html"))) {
            const QString html = QString::fromUtf8(engine_->fileData(url));
            Page page{{url, PageTitle(html)}, {}};
            for (const QString& word : SearchWords(QTextDocumentFragment::fromHtml(html).toPlainText()))
                ++page.words[word];
            pages_ << page;
        }
}

QList<Topic> HelpCollection::search(const QString& text) const {
    const QStringList words = SearchWords(text);
    if (words.isEmpty())
        return {};
    readPages();
    QList<std::pair<int, Topic>> hits;
    for (const Page& page : pages_) {
        int count = 0;
        for (const QString& word : words) {
            const int n = page.words.value(word);
            if (n == 0) {
                count = 0;
                break;
            }
            count += n;
        }
        if (count > 0)
            hits.emplace_back(count, page.topic);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second.title.localeAwareCompare(b.second.title) < 0;
    });
    QList<Topic> topics;
    for (const auto& hit : hits)
        topics << hit.second;
    return topics;
}

QByteArray HelpCollection::fileData(const QUrl& url) const {
    return open_ ? engine_->fileData(url) : QByteArray();
}

QString HelpCollection::titleOf(const QUrl& url) const {
    return PageTitle(QString::fromUtf8(fileData(url)));
}

} // namespace help
