#include "ExportFile.h"
#include "DiskFull.h"
#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot | QDir::Dirs);
}

std::string failure(const QString& path, const QByteArray& bytes) {
    try {
        ExportFile::write(path, bytes);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(ExportFile, WritesTheWholeFileOrLeavesTheOldOneAndNoPartialFile) {
    TempFolder temp;
    const QString path = temp.file(QStringLiteral("list.txt"));
    ExportFile::write(path, "first\n");
    EXPECT_EQ(contents(path), QByteArray("first\n"));
    EXPECT_EQ(QFileInfo(path).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther); // not private
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ExportFile::write(path, "second\n");
    EXPECT_EQ(contents(path), QByteArray("second\n"));
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the replaced file's access stays

    // A full disk half way: the old file stays as it was.
    {
        DiskFullAfter full(4096);
        EXPECT_NE(failure(path, QByteArray(100000, 'x')), "no error");
    }
    EXPECT_EQ(contents(path), QByteArray("second\n"));
    EXPECT_EQ(entries(temp.path()), QStringList{QStringLiteral("list.txt")});

    // A folder that is not there, a name under a file, a name that is a folder: a message that names the
    // file, and nothing written.
    QDir().mkpath(temp.file(QStringLiteral("folder.html")));
    for (const QString& bad :
         {temp.file(QStringLiteral("missing/list.txt")), temp.file(QStringLiteral("list.txt/x.csv")),
          temp.file(QStringLiteral("folder.html"))}) {
        const std::string message = failure(bad, "text");
        EXPECT_EQ(message.rfind("The file \"" + bad.toStdString() + "\" cannot be written: ", 0), 0u)
            << message;
    }
    EXPECT_EQ(entries(temp.path()), (QStringList{QStringLiteral("folder.html"), QStringLiteral("list.txt")}));
    EXPECT_TRUE(entries(temp.file(QStringLiteral("folder.html"))).isEmpty());
}
