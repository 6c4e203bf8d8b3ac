#pragma once

#include "MainWindow.h"
#include "ScriptedDialogService.h"
#include "ScriptedMessageService.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// A private home for the program: the data, documents and cache folders live in a temporary folder, so the
// main window finds (or creates) its database and settings file there.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString dataFolder() const { return temp_.path() + QStringLiteral("/data/Grocelle"); }
    QString documentsFolder() const { return temp_.path() + QStringLiteral("/home/Documents/Grocelle"); }
    QString programFolder() const { return temp_.sub(QStringLiteral("program")); }
    QString settingsFile() const { return dataFolder() + QStringLiteral("/Grocelle.ini"); }

    // A blank database of the current version in the data folder.
    void createDatabase();
    void writeSettings(const QByteArray& text);

    // Creates the main window with its dialogs and every subsystem, and shows it, which runs the start-up.
    MainWindow& start();
    // Closes the window (the settings are written) and destroys it.
    void finish();

    TempFolder temp_;
    TempHome home_{temp_};
    ScriptedMessageService messages_;
    ScriptedDialogService dialogs_;
    std::unique_ptr<MainWindow> window_;
    QStringList started_; // programs started, with their arguments
    QList<int> helpTopics_;
};
