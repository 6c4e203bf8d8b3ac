#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <ctime>
#include <functional>
#include <stdexcept>
#include <vector>

typedef struct zip zip_t;
typedef struct zip_source zip_source_t;

// A failure of the ZIP component, with libzip's own wording for the log.
class ZipError : public std::runtime_error {
public:
    explicit ZipError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// close() was stopped by its caller; nothing was written.
class ZipCancelled : public ZipError {
public:
    ZipCancelled() : ZipError(QStringLiteral("Cancelled")) {}
};

// What the archive says about one entry, before anything is extracted.
struct ZipEntryInfo {
    QString name;           // as stored, folder parts included
    std::uint64_t size = 0; // uncompressed size the entry announces
    std::uint64_t compressedSize = 0;
    bool isDirectory = false;
    bool isSymlink = false;
    std::uint32_t unixMode = 0; // file type and permission bits, when the archive was made on Unix
};

// Standard ZIP archives (deflate through zlib) with the few operations the program needs: write an empty
// archive, list entries, add a file under its bare name, extract an entry, close. Every failure throws
// ZipError; an archive opened and not closed is discarded without writing.
class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Writes a new archive with no entries (only the end-of-central-directory record). Fails when the file
    // exists already, so that an archive is never overwritten.
    static void createEmpty(const QString& path);

    // Opens an existing archive; changes are written by close().
    void open(const QString& path);
    bool isOpen() const { return zip_ != nullptr; }

    QStringList entryNames() const;
    std::vector<ZipEntryInfo> entries() const;

    // Adds the file under its bare name, deflated at level 9 (stored when empty), with its modification time
    // and permissions; an entry of the same name is replaced. The file is read when the archive closes.
    void addFile(const QString& filePath);
    // The same under a name of the caller's choosing.
    void addFile(const QString& filePath, const QString& entryName);

    // Adds the bytes as an entry with the given modification time and Unix mode, compressed as addFile()
    // does. The bytes are read when the archive closes: they must outlive it.
    void addData(const QByteArray& data, const QString& entryName, const QDateTime& modified,
                 std::uint32_t unixMode);

    // Writes entry `index` to `targetFile` (created or overwritten), writing no more than the entry
    // announces, applies its stored modification time and syncs the file to the disk. The CRC is checked.
    // The permissions are those of any new file (the umask), whatever the archive stores.
    void extract(int index, const QString& targetFile) const;

    // Writes the changes (if any) and closes.
    void close();
    // Reports the share written so far (0 to 1) while the entries are compressed, and stops soon after
    // `cancelled` says so: the archive is then discarded unwritten and ZipCancelled thrown.
    void close(const std::function<void(double)>& progress, const std::function<bool()>& cancelled);
    // Closes without writing anything.
    void discard();

private:
    zip_t* handle() const;
    // Adds the source (taken over, also when this throws) as an entry: deflated unless empty, with the time
    // and Unix mode given.
    void addSource(zip_source_t* source, const QString& entryName, bool empty, time_t modified,
                   std::uint32_t unixMode);

    zip_t* zip_ = nullptr;
    QString path_;
};
