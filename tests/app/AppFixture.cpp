#include "AppFixture.h"

#include "Schema.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

void AppFixture::SetUp() {
    for (const char* name :
         {"HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"})
        savedEnv_.insert(name, qgetenv(name));
    qputenv("HOME", temp_.sub(QStringLiteral("home")).toUtf8());
    qputenv("XDG_DATA_HOME", temp_.sub(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", temp_.sub(QStringLiteral("cache")).toUtf8());
    qputenv("XDG_CONFIG_HOME", temp_.sub(QStringLiteral("config")).toUtf8());
    qunsetenv("XDG_DOCUMENTS_DIR");
    ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), temp_.path() + "/data");
}

void AppFixture::TearDown() {
    window_.reset();
    for (auto it = savedEnv_.cbegin(); it != savedEnv_.cend(); ++it) {
        if (it.value().isNull())
            qunsetenv(it.key().constData());
        else
            qputenv(it.key().constData(), it.value());
    }
}

void AppFixture::createDatabase() {
    QDir().mkpath(dataFolder());
    CreateDatabaseTables(dataFolder());
}

void AppFixture::writeSettings(const QByteArray& text) {
    QDir().mkpath(dataFolder());
    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

MainWindow& AppFixture::start() {
    window_ = std::make_unique<MainWindow>(programFolder());
    window_->createDialogs();
    window_->setProgramStarter([this](const QString& program, const QStringList& arguments) {
        started_ << (QStringList{program} + arguments).join(QLatin1Char(' '));
        return true;
    });
    window_->setHelpHandler([this](int topic) { helpTopics_ << topic; });
    beforeShow(*window_);
    window_->show();
    return *window_;
}

void AppFixture::finish() {
    if (window_)
        window_->close();
    window_.reset();
}
