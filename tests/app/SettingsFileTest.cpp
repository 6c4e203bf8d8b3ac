#include "AppSettings.h"
#include "DiskFull.h"
#include "IniFile.h"
#include "TempFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QRect kDesktop(0, 0, 1920, 1080);

AppSettings Designed() {
    AppSettings s;
    s.bounds = QRect(100, 120, 633, 557);
    s.shoppingGrid.widths = {29, 119, 123, 40, 44, 50, 87, 65};
    s.itemsGrid.widths = {96, 140, 130, 40, 44, 50, 30};
    s.shopGrid.widths = {117, 329, 128};
    return s;
}

AppSettings Read(const QByteArray& text) {
    IniFile ini;
    ini.parse(text);
    AppSettings s = Designed();
    ReadSettings(ini, s, kDesktop, QStringLiteral("/home/u/Documents/Grocelle"));
    return s;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(IniFile, ParsingTrimsDropsAndKeepsUnknownEntriesInOrder) {
    IniFile ini;
    ini.parse("stray=1\r\n  [Zeta]  \r\n; comment\r\n\r\n  b =  two words  "
              "\r\nflag\r\n[alpha]\nA=1\n[ZETA]\nc=3\n");
    EXPECT_EQ(ini.sections(), QStringList({"Zeta", "alpha"}));
    EXPECT_EQ(ini.readString("zeta", "B", "x"), "two words");
    EXPECT_EQ(ini.keys("Zeta"), QStringList({"b", "flag", "c"}));
    ini.writeString("Alpha", "new", "v");
    ini.eraseSection("zeta");
    EXPECT_EQ(ini.toBytes(), QByteArray("[alpha]\r\nA=1\r\nnew=v\r\n\r\n"));
}

TEST(IniFile, ValueForms) {
    IniFile ini;
    ini.parse("[S]\nyes=Y\nlower=y\nempty=\nhex1=$1F\nhex2=0x10\nhex3=0X0a\nneg=-42\nbad=12a\nnone=\nbig="
              "99999999999\n");
    EXPECT_TRUE(ini.readBool("S", "yes", false));
    EXPECT_FALSE(ini.readBool("S", "lower", true));
    EXPECT_FALSE(ini.readBool("S", "empty", true)); // present but empty reads false, not the default
    EXPECT_TRUE(ini.readBool("S", "missing", true));
    EXPECT_EQ(ini.readInteger("S", "hex1", 0), 31);
    EXPECT_EQ(ini.readInteger("S", "hex2", 0), 16);
    EXPECT_EQ(ini.readInteger("S", "hex3", 0), 10);
    EXPECT_EQ(ini.readInteger("S", "neg", 0), -42);
    EXPECT_EQ(ini.readInteger("S", "bad", 5), 5);
    EXPECT_EQ(ini.readInteger("S", "none", 6), 6);
    EXPECT_EQ(ini.readInteger("S", "big", 7), 7);
    EXPECT_EQ(ini.readString("S", "empty", "def"), "");
}

TEST(IniFile, SaveAndLoadRoundTripAndMissingFile) {
    TempFolder temp;
    IniFile ini;
    EXPECT_FALSE(ini.load(temp.file("absent.ini")));
    ini.writeString("Notes", "N1", "line\r\nbreak");
    ASSERT_TRUE(ini.save(temp.file("a.ini")));
    IniFile back;
    ASSERT_TRUE(back.load(temp.file("a.ini")));
    EXPECT_EQ(back.readString("Notes", "N1", ""), "line  break"); // a value never spills onto a second line
}

TEST(SettingsRead, EmptyFileGivesDefaults) {
    const AppSettings s = Read("");
    EXPECT_FALSE(s.maximized);
    EXPECT_EQ(s.bounds, QRect(100, 120, 633, 557));
    EXPECT_EQ(s.shoppingGrid.sortColumn, 7);
    EXPECT_EQ(s.itemsGrid.sortColumn, 1);
    EXPECT_EQ(s.flCols, 3);
    EXPECT_TRUE(s.slNewPage);
    EXPECT_TRUE(s.updates);
    EXPECT_TRUE(s.flSortCat);
    EXPECT_EQ(s.backupFolder, "/home/u/Documents/Grocelle");
    EXPECT_EQ(s.fonts[FloorplanFont], ReportFont{});
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_FALSE(s.printPreview);
}

TEST(SettingsRead, PrintPreviewOptionGoesThroughTheFile) {
    EXPECT_TRUE(Read("[Prefs]\r\nPrintPreview=Y\r\n").printPreview);
    AppSettings s = Designed();
    s.printPreview = true;
    IniFile ini;
    WriteSettings(ini, s, "2.3.0");
    EXPECT_EQ(ini.readString("Prefs", "PrintPreview", ""), "Y");
    s.printPreview = false;
    WriteSettings(ini, s, "2.3.0");
    EXPECT_EQ(ini.readString("Prefs", "PrintPreview", ""), "N");
}

TEST(SettingsRead, ColoursAndStyles) {
    const AppSettings s = Read("[ReportFontFL]\nColour=255,0,0\nStyle=bold,ITALIC\n"
                               "[ReportFontSL]\nColour=255,0\nStyle=Bold, Italic\n"
                               "[ReportFontMIL]\nColour=256,0,0\nStyle=Underline,Strikeout,Nonsense\n"
                               "[ReportFontPC]\nColour=0,128,255,77\nSize=12\nName=Courier\nScript=0\n");
    EXPECT_EQ(s.fonts[FridgeListFont].color(), QColor(255, 0, 0));
    EXPECT_TRUE(s.fonts[FridgeListFont].bold && s.fonts[FridgeListFont].italic);
    EXPECT_EQ(s.fonts[ShoppingListFont].colour, 0);
    EXPECT_TRUE(s.fonts[ShoppingListFont].bold);
    EXPECT_FALSE(s.fonts[ShoppingListFont].italic);
    EXPECT_EQ(s.fonts[MasterItemListFont].colour, 0);
    EXPECT_TRUE(s.fonts[MasterItemListFont].underline && s.fonts[MasterItemListFont].strikeout);
    EXPECT_EQ(s.fonts[PriceComparisonFont].color(), QColor(0, 128, 255));
    EXPECT_EQ(s.fonts[PriceComparisonFont].name, "Courier");
    EXPECT_EQ(s.fonts[PriceComparisonFont].size, 12);
    EXPECT_EQ(s.fonts[PriceComparisonFont].script, 0);
}

TEST(SettingsRead, OverlongHandEditedValuesAreBounded) {
    const QByteArray longColour = "1,2,3" + QByteArray(5000, ',');
    const QByteArray longStyle = QByteArray(58, 'x') + ",Bold,Italic";
    const AppSettings s = Read("[ReportFontFL]\nColour=" + longColour + "\nStyle=" + longStyle +
                               "\n[ReportFontSL]\nColour=" + QByteArray(70, '1') + ",0,0\n");
    EXPECT_EQ(s.fonts[FridgeListFont].color(), QColor(1, 2, 3));
    EXPECT_FALSE(s.fonts[FridgeListFont].bold); // cut off beyond the parsed length
    EXPECT_EQ(s.fonts[ShoppingListFont].colour, 0);
}

TEST(SettingsRead, WindowPlacementStaysOnTheDesktop) {
    EXPECT_FALSE(Read("[Window]\nMaximized=y\n").maximized);
    EXPECT_TRUE(Read("[Window]\nMaximized=Y\nLeft=5000\n").maximized);
    EXPECT_EQ(Read("[Window]\nLeft=5000\nTop=300\nWidth=700\nHeight=500\n").bounds, QRect(0, 300, 700, 500));
    EXPECT_EQ(Read("[Window]\nLeft=-695\nTop=2000\nWidth=700\n").bounds.topLeft(), QPoint(0, 0));
    EXPECT_EQ(Read("[Window]\nLeft=-600\nTop=5\n").bounds.topLeft(), QPoint(-600, 0));
    EXPECT_EQ(Read("[Window]\nLeft=1909\nTop=1069\n").bounds.topLeft(), QPoint(1909, 1069));
}

TEST(SettingsRead, SortColumnsOutOfRangeFallBack) {
    EXPECT_EQ(Read("[SortCol]\nShoppingGrid=8\nItemsGrid=7\n").shoppingGrid.sortColumn, 7);
    EXPECT_EQ(Read("[SortCol]\nItemsGrid=7\n").itemsGrid.sortColumn, 1);
    EXPECT_EQ(Read("[SortCol]\nShoppingGrid=-1\n").shoppingGrid.sortColumn, 7);
    EXPECT_EQ(Read("[SortCol]\nShoppingGrid=2\nItemsGrid=6\n").itemsGrid.sortColumn, 6);
    const AppSettings s =
        Read("[ShoppingGrid]\nWidth0=-1\nWidth1=0\nWidth7=300\nWidth8=5\n[ShopGrid]\nWidth2=abc\n");
    EXPECT_EQ(s.shoppingGrid.widths, QList<int>({29, 0, 123, 40, 44, 50, 87, 300}));
    EXPECT_EQ(s.shopGrid.widths, QList<int>({117, 329, 128}));
}

TEST(SettingsRead, RadioGroupsFollowReadingOrder) {
    AppSettings s =
        Read("[Prefs]\nFLSortCat=N\nMLSortShop=N\nMLSortCat=N\nMLSortProd=N\nPCFSortCat=Y\nPCFSortProd=Y\n"
             "FPColor=N\nFPBlack=N\nFLCols=25\n");
    EXPECT_FALSE(s.flSortCat);
    EXPECT_TRUE(s.flSortProd); // the fridge list always has a choice
    EXPECT_FALSE(s.mlSortShop || s.mlSortCat || s.mlSortProd);
    EXPECT_FALSE(s.pcfSortCat);
    EXPECT_TRUE(s.pcfSortProd);
    EXPECT_FALSE(s.fpColour || s.fpBlack);
    EXPECT_EQ(s.flCols, 10);
    EXPECT_EQ(Read("[Prefs]\nFLCols=0\n").flCols, 1);
}

TEST(SettingsRead, OldSingleReportFontIsMigrated) {
    IniFile ini;
    ini.parse("[ReportFont]\nName=Verdana\nSize=11\nStyle=Italic\n[Custom]\nKeep=me\n");
    AppSettings s = Designed();
    ReadSettings(ini, s, kDesktop, "/b");
    for (const ReportFont& f : s.fonts) {
        EXPECT_EQ(f.name, "Verdana");
        EXPECT_EQ(f.size, 11);
        EXPECT_TRUE(f.italic);
    }
    WriteSettings(ini, s, "2.3.0");
    EXPECT_FALSE(ini.sectionExists("ReportFont"));
    EXPECT_EQ(ini.readString("ReportFontFP", "Name", ""), "Verdana");
    EXPECT_EQ(ini.readString("ReportFontMIL", "Style", ""), "Italic");
    EXPECT_EQ(ini.readString("Custom", "Keep", ""), "me");
}

TEST(SettingsRead, EmptyBackupFolderFallsBackToDefault) {
    EXPECT_EQ(Read("[DB]\nBackupFolder=\n").backupFolder, "/home/u/Documents/Grocelle");
    EXPECT_EQ(Read("[DB]\nBackupFolder= /srv/backups \n").backupFolder, "/srv/backups");
}

TEST(SettingsRead, NotesCountIsBoundedByTheKeysPresent) {
    const AppSettings s = Read("[Notes]\nNumOf=2000000000\nN1=a\nN2=b\n");
    EXPECT_EQ(s.notes, QStringList({"a", "b"}));
    EXPECT_EQ(Read("[Notes]\nNumOf=3\nN1=a\nN3=c\n").notes, QStringList({"a", "", "c"}));
    // A line numbered in the billions would mean billions of empty lines before it: it is left out, while a
    // gap of a few hundred missing lines still reads as empty lines.
    EXPECT_EQ(Read("[Notes]\nNumOf=2147483647\nN1=a\nN2147483647=z\n").notes, QStringList({"a"}));
    const QStringList gap = Read("[Notes]\nNumOf=500\nN1=a\nN500=z\n").notes;
    ASSERT_EQ(gap.size(), 500);
    EXPECT_EQ(gap.front(), "a");
    EXPECT_EQ(gap.back(), "z");
}

TEST(SettingsWrite, FreshFileHoldsEverySectionInOrder) {
    AppSettings s = Designed();
    s.notes = {"  milk", "", "eggs"};
    s.fonts[ShoppingListFont].colour = 255 + 128 * 65536;
    s.fonts[ShoppingListFont].bold = s.fonts[ShoppingListFont].strikeout = true;
    IniFile ini;
    WriteSettings(ini, s, "2.3.0");
    EXPECT_EQ(ini.sections(),
              QStringList({"Info", "Window", "SortCol", "ShoppingGrid", "ItemsGrid", "ShopGrid", "Prefs",
                           "DB", "ReportFontFL", "ReportFontSL", "ReportFontMIL", "ReportFontPC",
                           "ReportFontFP", "Optimize", "Notes"}));
    EXPECT_EQ(ini.readString("ReportFontSL", "Colour", ""), "255,0,128");
    EXPECT_EQ(ini.readString("ReportFontSL", "Style", ""), "Bold,Strikeout");
    EXPECT_EQ(ini.keys("Window"), QStringList({"Maximized", "Left", "Top", "Width", "Height"}));

    // Through the file and back: the leading blanks of a note are lost, the empty line is kept.
    IniFile back;
    back.parse(ini.toBytes());
    AppSettings r = Designed();
    ReadSettings(back, r, kDesktop, "/b");
    EXPECT_EQ(r.notes, QStringList({"milk", "", "eggs"}));
    EXPECT_EQ(r.fonts[ShoppingListFont], s.fonts[ShoppingListFont]);

    // Fewer notes leave no stale keys; a maximised window keeps the bounds stored before.
    r.notes = {"bread"};
    r.maximized = true;
    r.bounds = QRect(1, 2, 3, 4);
    WriteSettings(back, r, "2.3.0");
    EXPECT_EQ(back.keys("Notes"), QStringList({"NumOf", "N1"}));
    EXPECT_EQ(back.readInteger("Window", "Left", 0), 100);
    EXPECT_EQ(back.readString("Window", "Maximized", ""), "Y");
}

TEST(IniFile, FailedWritesKeepTheOldFileByteForByte) {
    TempFolder temp;
    const QString path = temp.file("Grocelle.ini");
    IniFile old;
    old.writeString("Notes", "N1", "keep me");
    ASSERT_TRUE(old.save(path));
    const QByteArray before = Contents(path);

    IniFile bigger;
    for (int i = 1; i <= 200; ++i)
        bigger.writeString("Notes", QStringLiteral("N%1").arg(i),
                           "a line long enough to fill the disk quickly");
    {
        // Smaller than the new file: a short buffered write reaches the disk only at the commit.
        DiskFullAfter full(before.size() + 100);
        QString error;
        EXPECT_FALSE(bigger.save(path, &error));
        EXPECT_FALSE(error.isEmpty());
        IniFile small;
        small.writeString("A", "b", QString(300, QLatin1Char('x')));
        EXPECT_FALSE(small.save(path, &error)) << "the commit's failure is the save's failure";
    }
    EXPECT_EQ(Contents(path), before);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"Grocelle.ini"}))
        << "no half-written copy is left behind";

    // A file where the folder is not writable is left as it is too (root writes anywhere).
    if (geteuid() != 0) {
        QFile::setPermissions(temp.path(), QFile::ReadOwner | QFile::ExeOwner);
        QString error;
        EXPECT_FALSE(bigger.save(path, &error));
        EXPECT_FALSE(error.isEmpty());
        QFile::setPermissions(temp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(Contents(path), before);
    }
    // A target that cannot be replaced at all: a folder of the same name.
    QDir(temp.path()).mkdir("Taken.ini");
    QString error;
    EXPECT_FALSE(bigger.save(temp.file("Taken.ini"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(temp.file("Taken.ini")).isDir());
}

TEST(IniFile, KeysAreFoundAfterDeletesAndErasedSections) {
    IniFile ini;
    ini.parse("[A]\nk=first\nK=second\nother=1\n[B]\nx=1\n[C]\ny=2\n");
    EXPECT_EQ(ini.readString("a", "K", ""), "first"); // the first of equal keys, as before any change
    ini.deleteKey("A", "k");
    EXPECT_EQ(ini.readString("A", "k", ""), "second");
    EXPECT_EQ(ini.readString("A", "OTHER", ""), "1");
    ini.writeString("A", "k", "third");
    EXPECT_EQ(ini.keys("A"), QStringList({"K", "other"}));
    ini.eraseSection("b");
    EXPECT_FALSE(ini.sectionExists("B"));
    EXPECT_EQ(ini.readString("c", "Y", ""), "2");
    ini.writeString("B", "x", "again");
    ini.writeString("c", "z", "3");
    EXPECT_EQ(ini.toBytes(), QByteArray("[A]\r\nK=third\r\nother=1\r\n\r\n[C]\r\ny=2\r\nz=3\r\n\r\n"
                                        "[B]\r\nx=again\r\n\r\n"));
}

TEST(SettingsWrite, FiftyThousandNoteLinesSurviveTheFile) {
    // Writing and reading grow linearly with the lines; fifty thousand take a fraction of a second.
    AppSettings s = Designed();
    for (int i = 0; i < 50000; ++i)
        s.notes << QStringLiteral("line %1").arg(i);
    s.notes[500] = QString();
    IniFile ini;
    WriteSettings(ini, s, "2.3.0");
    IniFile back;
    back.parse(ini.toBytes());
    EXPECT_EQ(back.readInteger("notes", "numof", 0), 50000);
    EXPECT_EQ(back.readString("NOTES", "n50000", ""), "line 49999");
    AppSettings r = Designed();
    ReadSettings(back, r, kDesktop, "/b");
    EXPECT_EQ(r.notes, s.notes);

    // A shorter list written over the long one leaves only its own lines.
    r.notes = {"one", "two"};
    WriteSettings(back, r, "2.3.0");
    EXPECT_EQ(back.keys("Notes"), QStringList({"NumOf", "N1", "N2"}));
}

TEST(SettingsRead, HandEditedWindowSizeFitsTheDesktop) {
    EXPECT_EQ(Read("[Window]\nLeft=10\nTop=20\nWidth=100000\nHeight=100000\n").bounds,
              QRect(10, 20, 1920, 1080));
    EXPECT_EQ(Read("[Window]\nWidth=$7FFFFFFF\nHeight=1000\n").bounds.size(), QSize(1920, 1000));
    // No size at all, or a negative one, keeps the window's own.
    EXPECT_EQ(Read("[Window]\nWidth=0\nHeight=-5\n").bounds.size(), QSize(633, 557));
    // The desktop may lie left of and above the primary monitor; its size is what counts.
    IniFile ini;
    ini.parse("[Window]\nLeft=-1200\nTop=300\nWidth=5000\nHeight=900\n");
    AppSettings s = Designed();
    ReadSettings(ini, s, QRect(-1280, 0, 3200, 1024), "/b");
    EXPECT_EQ(s.bounds, QRect(-1200, 300, 3200, 900));
    // A maximised window keeps the bounds it had.
    EXPECT_EQ(Read("[Window]\nMaximized=Y\nWidth=100000\n").bounds, QRect(100, 120, 633, 557));
}

// Run under strace by the test below: one save, and nothing else.
TEST(IniFile, SaveForTheTrace) {
    const QString path = qEnvironmentVariable("GROCELLE_TRACED_SAVE");
    if (path.isEmpty())
        GTEST_SKIP() << "only run traced";
    IniFile ini;
    ini.writeString("Notes", "N1", "milk");
    ASSERT_TRUE(ini.save(path));
}

TEST(IniFile, TheFolderIsSyncedAfterTheNewFileIsRenamedIntoPlace) {
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty())
        GTEST_SKIP() << "strace is not installed";
    TempFolder temp;
    const QString path = temp.file("Grocelle.ini");
    IniFile old;
    old.writeString("Notes", "N1", "tea");
    ASSERT_TRUE(old.save(path));
    QProcess traced;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("GROCELLE_TRACED_SAVE"), path);
    traced.setProcessEnvironment(env);
    traced.start(strace, {QStringLiteral("-f"), QStringLiteral("-e"),
                          QStringLiteral("trace=openat,fsync,fdatasync,rename,renameat,renameat2,linkat"),
                          QStringLiteral("-o"), temp.file("trace"), QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=IniFile.SaveForTheTrace")});
    ASSERT_TRUE(traced.waitForFinished(60000));
    if (traced.exitCode() != 0 && !Contents(path).contains("milk"))
        GTEST_SKIP() << "strace cannot trace here: " << traced.readAllStandardError().toStdString();
    ASSERT_TRUE(Contents(path).contains("N1=milk"));

    // The order on the disk: the new file synced, put in place under the old name, then its folder synced.
    QFile trace(temp.file("trace"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QString log = QString::fromLocal8Bit(trace.readAll());
    const qsizetype swap = log.lastIndexOf(
        QRegularExpression(QStringLiteral("(rename(at2?)?|linkat)\\([^\\n]*Grocelle\\.ini\"[^\\n]*= 0")));
    ASSERT_GE(swap, 0) << log.toStdString();
    const QRegularExpression folderOpen(QStringLiteral("openat\\(AT_FDCWD, \"") +
                                        QRegularExpression::escape(temp.path()) +
                                        QStringLiteral("\", O_RDONLY[^)]*O_DIRECTORY[^)]*\\) = (\\d+)"));
    const QRegularExpressionMatch folder = folderOpen.match(log, swap);
    ASSERT_TRUE(folder.hasMatch()) << "no folder opened after the swap:\n" << log.toStdString();
    const qsizetype fileSync = log.indexOf(QStringLiteral("fsync("));
    EXPECT_LT(fileSync, swap) << log.toStdString();
    EXPECT_GE(
        log.indexOf(QStringLiteral("fsync(") + folder.captured(1) + QLatin1Char(')'), folder.capturedEnd()),
        0)
        << "the folder was not synced:\n"
        << log.toStdString();
}
