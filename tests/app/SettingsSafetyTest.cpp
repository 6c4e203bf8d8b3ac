#include "AppFixture.h"

#include "DiskFull.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

#include <unistd.h>

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

TEST_F(SettingsSafetyTest, ASettingsFileThatCannotBeReadIsKeptAndNamed) {
    createDatabase();
    // Without read permission, or for the superuser, whom permissions do not bind, a link to itself.
    const bool asRoot = ::geteuid() == 0;
    const QByteArray old = "[Notes]\r\nNumOf=1\r\nN1=milk\r\n";
    if (asRoot) {
        ASSERT_EQ(::symlink("Grocelle.ini", settingsFile().toLocal8Bit().constData()), 0);
    } else {
        writeSettings(old);
        ASSERT_TRUE(QFile::setPermissions(settingsFile(), QFileDevice::WriteOwner));
    }
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(
        messages_.lastText(),
        QString("The settings file \"%1\" cannot be read: %2.\r\nGrocelle starts with the default "
                "settings and leaves the file as it is; the settings of this session will not be saved.")
            .arg(settingsFile(), asRoot ? "too many levels of symbolic links" : "permission denied"));
    w.findChild<QPlainTextEdit*>("NotesMemo")->setPlainText("defaults over the user's notes");
    messages_.clear();
    finish();
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    const QFileInfo info(settingsFile());
    if (asRoot) {
        EXPECT_TRUE(info.isSymLink()) << "the link was replaced";
    } else {
        EXPECT_EQ(info.permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner),
                  QFileDevice::WriteOwner);
        QFile::setPermissions(settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(Contents(settingsFile()), old);
    }
    EXPECT_EQ(
        QDir(dataFolder()).entryList({"Grocelle.ini*"}, QDir::Files | QDir::System | QDir::Hidden).size(), 1);
}

TEST_F(SettingsSafetyTest, CopiesAKilledSaveLeftAreRemovedAtTheNextStart) {
    createDatabase();
    writeSettings("[Notes]\r\nNumOf=1\r\nN1=milk\r\n");
    // Half-written copies of a save that was killed, and files of the user's that only look alike.
    const QStringList leftovers{"Grocelle.ini.aBcDeF", "Grocelle.ini.QwErTy", "Grocelle.ini.Ab12Cd"};
    const QStringList kept{"Grocelle.ini.backup", "Grocelle.ini.OLDONE", "Grocelle.ini.bak",
                           "Other.ini.aBcDeF"};
    for (const QString& name : leftovers + kept) {
        QFile f(dataFolder() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Notes]\r\nNumOf=1\r\n");
    }
    start();
    for (const QString& name : leftovers)
        EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/" + name)) << name.toStdString();
    for (const QString& name : kept)
        EXPECT_TRUE(QFileInfo::exists(dataFolder() + "/" + name)) << name.toStdString();
    EXPECT_EQ(window_->findChild<QPlainTextEdit*>("NotesMemo")->toPlainText(), "milk");
}
