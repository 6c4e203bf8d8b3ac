#include "AppFixture.h"

#include "DiskFull.h"

#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

using SettingsSafetyTest = AppFixture;

TEST_F(SettingsSafetyTest, AFullDiskAtExitKeepsTheOldSettingsAndSaysSo) {
    const QByteArray old = "[Custom]\r\nKeep=this\r\n[Notes]\r\nNumOf=2\r\nN1=milk\r\nN2=eggs\r\n";
    writeSettings(old);
    createDatabase();
    MainWindow& w = start();
    w.findChild<QPlainTextEdit*>("NotesMemo")->setPlainText("bread\nbutter");
    messages_.clear();
    {
        DiskFullAfter full(old.size() + 16); // the new file is much longer than the old one
        EXPECT_TRUE(w.close()) << "the program still ends";
    }
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Contents(settingsFile()), old);
    ASSERT_EQ(messages_.count(), 1);
    const auto& call = messages_.calls().front();
    EXPECT_EQ(call.kind, ui::MessageKind::Error);
    EXPECT_TRUE(call.text.startsWith("The settings could not be saved to \"" + settingsFile() + "\": "))
        << call.text.toStdString();
    EXPECT_TRUE(call.text.endsWith(".\r\nThe settings file was left as it was.")) << call.text.toStdString();
    window_.reset();

    // With room on the disk again, the next run reads the old settings and saves its own.
    start().findChild<QPlainTextEdit*>("NotesMemo")->appendPlainText("tea");
    EXPECT_EQ(window_->findChild<QPlainTextEdit*>("NotesMemo")->toPlainText(), "milk\neggs\ntea");
    messages_.clear();
    finish();
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_TRUE(Contents(settingsFile()).contains("N3=tea\r\n"));
    EXPECT_TRUE(Contents(settingsFile()).contains("Keep=this\r\n"));
}

TEST_F(SettingsSafetyTest, AHandEditedHugeWindowFitsTheScreen) {
    writeSettings("[Window]\r\nLeft=0\r\nTop=0\r\nWidth=5000\r\nHeight=3000\r\n");
    createDatabase();
    MainWindow& w = start();
    const QRect available = QGuiApplication::primaryScreen()->availableVirtualGeometry();
    EXPECT_LE(w.geometry().width(), available.width());
    EXPECT_LE(w.geometry().height(), available.height());
}
