#include "AppFixture.h"

#include "Schema.h"
#include "Subsystems.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

void AppFixture::SetUp() {
    ASSERT_EQ(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), temp_.path() + "/data");
}

void AppFixture::TearDown() {
    window_.reset();
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
    installSubsystems(*window_);
    window_->setProgramStarter([this](const QString& program, const QStringList& arguments) {
        started_ << (QStringList{program} + arguments).join(QLatin1Char(' '));
        return true;
    });
    window_->setHelpHandler([this](int topic) { helpTopics_ << topic; });
    window_->show();
    return *window_;
}

void AppFixture::finish() {
    if (window_)
        window_->close();
    window_.reset();
}
