#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace upload {

// Packs the info file and the database folder's files into the upload archive: first the info file as
// "Upload_Info.txt", then each regular file of the folder under "/" + its name, in name order. Left out are
// sub-folders, files ending in ".dbk", ".ibk" or ".lck" (any letter case), and the program's own files that
// are no data: its lock file and the table layer's session files. The caller closes the tables first, so
// that every table file is whole.
class UploadPacker {
public:
    enum class Outcome { Created, Aborted, Failed };

    // The names of the folder's files that go into the archive, in archive order.
    static QStringList packedFiles(const QString& databaseFolder);
    static bool isPacked(const QString& fileName);

    // Called with the work done and the work in all, counted in files.
    using Progress = std::function<void(int done, int total)>;
    // Asked while packing; true stops it.
    using Cancelled = std::function<bool()>;

    // Writes a new archive at `archivePath` (the name must not exist). Anything but Created leaves no
    // archive behind; failureText() then says why.
    Outcome pack(const QString& databaseFolder, const QString& infoFile, const QString& archivePath,
                 const Progress& progress = {}, const Cancelled& cancelled = {});
    QString failureText() const { return failure_; }

private:
    QString failure_;
};

} // namespace upload
