#include "UploadPacker.h"

#include "Database.h"
#include "TempFolder.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using upload::UploadPacker;

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Bytes that deflate cannot shrink, so that packing them takes a while.
QByteArray noise(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

class Packing : public ::testing::Test {
protected:
    void SetUp() override {
        db = temp.sub(QStringLiteral("db"));
        docs = temp.sub(QStringLiteral("docs"));
        info = docs + QStringLiteral("/Upload_Info.txt");
        write(info, "**** info ****\r\n");
        archive = docs + QStringLiteral("/User_1_2.zip");
    }
    QStringList entries() {
        ZipArchive zip;
        zip.open(archive);
        return zip.entryNames();
    }
    TempFolder temp;
    QString db, docs, info, archive;
};

} // namespace

TEST_F(Packing, InfoFileFirstThenTheFolderFilesUnderSlashNames) {
    for (const char* name :
         {"Items.dat", "Items.idx", "aisles.dat", "Grocelle.ini", "Categories.dat.damaged"})
        write(db + QLatin1Char('/') + QLatin1String(name), QByteArray(name));
    QDir(db).mkpath(QStringLiteral("sub"));
    write(db + QStringLiteral("/sub/Inner.dat"), "inner");

    UploadPacker packer;
    ASSERT_EQ(packer.pack(db, info, archive), UploadPacker::Outcome::Created)
        << packer.failureText().toStdString();
    const QStringList expected{QStringLiteral("Upload_Info.txt"),
                               QStringLiteral("/aisles.dat"),
                               QStringLiteral("/Categories.dat.damaged"),
                               QStringLiteral("/Grocelle.ini"),
                               QStringLiteral("/Items.dat"),
                               QStringLiteral("/Items.idx")};
    EXPECT_EQ(entries(), expected);

    // The contents are the files' own.
    ZipArchive zip;
    zip.open(archive);
    const QString out = temp.sub(QStringLiteral("out"));
    zip.extract(4, out + QStringLiteral("/Items.dat"));
    zip.extract(0, out + QStringLiteral("/info"));
    QFile items(out + QStringLiteral("/Items.dat")), extractedInfo(out + QStringLiteral("/info"));
    ASSERT_TRUE(items.open(QIODevice::ReadOnly) && extractedInfo.open(QIODevice::ReadOnly));
    EXPECT_EQ(items.readAll(), QByteArray("Items.dat"));
    EXPECT_EQ(extractedInfo.readAll(), QByteArray("**** info ****\r\n"));
}

TEST_F(Packing, BackupLockAndSessionFilesStayOutInAnyLetterCase) {
    // The price log's files go with the tables.
    for (const char* name : {"Items.dat", "PriceLog.dat", "PriceLog.idx"})
        write(db + QLatin1Char('/') + QLatin1String(name), "rows");
    for (const char* name : {"Items.DBK", "Items.Ibk", "old.lck", "Grocelle.lock"})
        write(db + QLatin1Char('/') + QLatin1String(name), "internal");
    for (const QString& pattern : engine::Database::internalFilePatterns())
        write(db + QLatin1Char('/') + QString(pattern).replace(QLatin1Char('*'), QStringLiteral("1234")),
              "s");

    const QStringList packed{QStringLiteral("Items.dat"), QStringLiteral("PriceLog.dat"),
                             QStringLiteral("PriceLog.idx")};
    EXPECT_EQ(UploadPacker::packedFiles(db), packed);
    int reportedTotal = -1;
    UploadPacker packer;
    ASSERT_EQ(packer.pack(db, info, archive, [&](int, int total) { reportedTotal = total; }),
              UploadPacker::Outcome::Created);
    EXPECT_EQ(reportedTotal, 3) << "excluded files are not counted either";
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("Upload_Info.txt"), QStringLiteral("/Items.dat"),
                                      QStringLiteral("/PriceLog.dat"), QStringLiteral("/PriceLog.idx")}));
}

TEST_F(Packing, AnArchiveInTheDataFolderDoesNotPackItself) {
    write(db + QStringLiteral("/Items.dat"), "rows");
    const QString inside = db + QStringLiteral("/User_1_2.zip");
    const QString infoInside = db + QStringLiteral("/Upload_Info.txt");
    write(infoInside, "info");
    UploadPacker packer;
    ASSERT_EQ(packer.pack(db, infoInside, inside), UploadPacker::Outcome::Created);
    archive = inside;
    EXPECT_EQ(entries(), (QStringList{QStringLiteral("Upload_Info.txt"), QStringLiteral("/Items.dat")}));
}

TEST_F(Packing, AbortWhileCompressingLeavesNothingBehind) {
    write(db + QStringLiteral("/Items.dat"), noise(8 << 20));
    write(db + QStringLiteral("/Shops.dat"), noise(1 << 20));
    int calls = 0;
    bool sawWork = false;
    UploadPacker packer;
    const auto outcome = packer.pack(
        db, info, archive, [&](int, int) { ++calls; },
        [&] {
            // Stops once the compression has reported some progress of its own.
            sawWork = sawWork || calls > 2;
            return sawWork;
        });
    EXPECT_TRUE(sawWork);
    EXPECT_EQ(outcome, UploadPacker::Outcome::Aborted);
    EXPECT_EQ(QDir(docs).entryList(QDir::Files), QStringList{QStringLiteral("Upload_Info.txt")})
        << "no archive and no half-written temporary file";
}

TEST_F(Packing, FailureLeavesNoArchive) {
    write(db + QStringLiteral("/Items.dat"), "rows");
    UploadPacker packer;
    // An archive name that is taken is never overwritten.
    write(archive, "someone else's");
    EXPECT_EQ(packer.pack(db, info, archive), UploadPacker::Outcome::Failed);
    EXPECT_FALSE(packer.failureText().isEmpty());
    QFile::remove(archive);
    // An info file that went missing fails the archive as a whole.
    EXPECT_EQ(packer.pack(db, docs + QStringLiteral("/missing.txt"), archive), UploadPacker::Outcome::Failed);
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_EQ(QDir(docs).entryList(QDir::Files), QStringList{QStringLiteral("Upload_Info.txt")});
}
