#include "ZipArchive.h"

#include "TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <zip.h>

#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Compression method of each entry as libzip reads it from the archive.
std::vector<int> methods(const QString& archive) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &error);
    std::vector<int> result;
    if (!z)
        return result;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        result.push_back(st.comp_method);
    }
    zip_discard(z);
    return result;
}

QByteArray compressible(int size) {
    QByteArray data;
    for (int i = 0; data.size() < size; ++i)
        data += QByteArray::number(i % 97) + ' ';
    return data.left(size);
}

} // namespace

TEST(ZipArchive, EmptyArchiveIsTheEndRecordAloneAndIsNeverOverwritten) {
    TempFolder temp;
    const QString path = temp.file(QStringLiteral("a.zip"));
    ZipArchive::createEmpty(path);
    const QByteArray bytes = readFile(path);
    ASSERT_EQ(bytes.size(), 22);
    EXPECT_TRUE(bytes.startsWith(QByteArray("PK\x05\x06", 4)));
    EXPECT_EQ(bytes.mid(4), QByteArray(18, '\0'));

    ZipArchive zip;
    zip.open(path);
    EXPECT_TRUE(zip.entryNames().isEmpty());
    zip.close();

    writeFile(path, "keep me");
    EXPECT_THROW(ZipArchive::createEmpty(path), ZipError);
    EXPECT_EQ(readFile(path), QByteArray("keep me"));
    EXPECT_THROW(ZipArchive::createEmpty(temp.file(QStringLiteral("no/such/folder/a.zip"))), ZipError);
}

TEST(ZipArchive, AddedFilesKeepBareNameContentTimeAndPermissions) {
    TempFolder temp;
    const QString source = temp.sub(QStringLiteral("source/deep"));
    const QByteArray big = compressible(200000);
    writeFile(source + QStringLiteral("/Items.dat"), big);
    writeFile(source + QStringLiteral("/Empty.idx"), QByteArray());
    const QDateTime stamp(QDate(2021, 3, 4), QTime(5, 6, 8));
    {
        QFile f(source + QStringLiteral("/Items.dat"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    QFile::setPermissions(source + QStringLiteral("/Items.dat"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    const QString path = temp.file(QStringLiteral("a.zip"));
    ZipArchive::createEmpty(path);
    ZipArchive zip;
    zip.open(path);
    zip.addFile(source + QStringLiteral("/Items.dat"));
    zip.addFile(source + QStringLiteral("/Empty.idx"));
    zip.close();

    // Deflate for data, stored for the empty file, and the compression is real.
    EXPECT_EQ(methods(path), (std::vector<int>{ZIP_CM_DEFLATE, ZIP_CM_STORE}));
    EXPECT_LT(QFileInfo(path).size(), big.size() / 4);

    zip.open(path);
    const auto entries = zip.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, QStringLiteral("Items.dat"));
    EXPECT_EQ(entries[0].size, std::uint64_t(big.size()));
    EXPECT_FALSE(entries[0].isSymlink);
    EXPECT_EQ(entries[1].name, QStringLiteral("Empty.idx"));

    const QString out = temp.sub(QStringLiteral("out"));
    zip.extract(0, out + QStringLiteral("/Items.dat"));
    zip.extract(1, out + QStringLiteral("/Empty.idx"));
    zip.discard();
    EXPECT_EQ(readFile(out + QStringLiteral("/Items.dat")), big);
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/Empty.idx")));
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/Items.dat")).lastModified().toSecsSinceEpoch(),
              stamp.toSecsSinceEpoch());
    // The stored permissions go into the archive; extracted files get those of any new file.
    EXPECT_EQ(entries[0].unixMode & 0777, 0640u);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(out + QStringLiteral("/Items.dat")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
}

TEST(ZipArchive, AddingTheSameBareNameReplacesTheEntry) {
    TempFolder temp;
    writeFile(temp.sub(QStringLiteral("a")) + QStringLiteral("/x.txt"), "first");
    writeFile(temp.sub(QStringLiteral("b")) + QStringLiteral("/x.txt"), "second");
    const QString path = temp.file(QStringLiteral("a.zip"));
    ZipArchive::createEmpty(path);
    ZipArchive zip;
    zip.open(path);
    zip.addFile(temp.file(QStringLiteral("a/x.txt")));
    zip.close();
    zip.open(path);
    zip.addFile(temp.file(QStringLiteral("b/x.txt")));
    zip.close();

    zip.open(path);
    ASSERT_EQ(zip.entryNames(), QStringList{QStringLiteral("x.txt")});
    zip.extract(0, temp.file(QStringLiteral("x.txt")));
    EXPECT_EQ(readFile(temp.file(QStringLiteral("x.txt"))), QByteArray("second"));
}

TEST(ZipArchive, FailuresThrowAndLeaveNoHalfFiles) {
    TempFolder temp;
    const QString path = temp.file(QStringLiteral("a.zip"));
    ZipArchive zip;
    writeFile(path, "this is no archive at all, just text");
    EXPECT_THROW(zip.open(path), ZipError);
    EXPECT_THROW(zip.open(temp.file(QStringLiteral("missing.zip"))), ZipError);
    EXPECT_THROW(zip.entryNames(), ZipError);

    QFile::remove(path);
    ZipArchive::createEmpty(path);
    zip.open(path);
    EXPECT_THROW(zip.addFile(temp.file(QStringLiteral("missing.dat"))), ZipError);
    EXPECT_THROW(zip.addFile(temp.sub(QStringLiteral("folder"))), ZipError);
    zip.discard();

    // A damaged byte in the deflated data fails the CRC; the half-written target is removed.
    writeFile(temp.file(QStringLiteral("data.bin")), compressible(50000));
    zip.open(path);
    zip.addFile(temp.file(QStringLiteral("data.bin")));
    zip.close();
    QByteArray bytes = readFile(path);
    const int local = 30 + int(QByteArray("data.bin").size());
    bytes[local + 200] = char(bytes[local + 200] ^ 0x55);
    writeFile(path, bytes);
    const QString target = temp.file(QStringLiteral("out.bin"));
    try {
        zip.open(path);
        zip.extract(0, target);
        ADD_FAILURE() << "a damaged entry was extracted";
    } catch (const ZipError&) {
    }
    EXPECT_FALSE(QFileInfo::exists(target));
}
