#include "ZipArchive.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

QString libzipError(zip_error_t* error) {
    return QString::fromUtf8(zip_error_strerror(error));
}

QString archiveError(zip_t* archive) {
    return QString::fromUtf8(zip_strerror(archive));
}

constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixSymlink = 0120000;
constexpr std::uint32_t kUnixDirectory = 0040000;

} // namespace

ZipArchive::~ZipArchive() {
    discard();
}

void ZipArchive::createEmpty(const QString& path) {
    // libzip refuses to write an archive without entries, so the 22-byte end record is written here.
    static const char kEndRecord[22] = {'P', 'K', 5, 6};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw ZipError(QStringLiteral("Cannot create %1: %2").arg(path, file.errorString()));
    const bool written = file.write(kEndRecord, sizeof kEndRecord) == sizeof kEndRecord && file.flush();
    file.close();
    if (!written) {
        QFile::remove(path);
        throw ZipError(QStringLiteral("Cannot write %1").arg(path));
    }
}

void ZipArchive::open(const QString& path) {
    discard();
    int code = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CHECKCONS, &code);
    if (!z) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString text = libzipError(&error);
        zip_error_fini(&error);
        throw ZipError(QStringLiteral("Cannot open %1: %2").arg(path, text));
    }
    zip_ = z;
    path_ = path;
}

zip_t* ZipArchive::handle() const {
    if (!zip_)
        throw ZipError(QStringLiteral("No archive is open"));
    return zip_;
}

QStringList ZipArchive::entryNames() const {
    QStringList names;
    for (const ZipEntryInfo& e : entries())
        names << e.name;
    return names;
}

std::vector<ZipEntryInfo> ZipArchive::entries() const {
    zip_t* z = handle();
    const zip_int64_t count = zip_get_num_entries(z, 0);
    std::vector<ZipEntryInfo> result;
    result.reserve(static_cast<std::size_t>(count));
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS, &st) != 0)
            throw ZipError(archiveError(z));
        ZipEntryInfo info;
        info.name = QString::fromUtf8(st.name ? st.name : "");
        info.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        info.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        info.isDirectory = info.name.endsWith(QLatin1Char('/'));
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(z, static_cast<zip_uint64_t>(i), 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX) {
            info.unixMode = attributes >> 16;
            const std::uint32_t type = info.unixMode & kUnixTypeMask;
            info.isSymlink = type == kUnixSymlink;
            info.isDirectory = info.isDirectory || type == kUnixDirectory;
        }
        result.push_back(info);
    }
    return result;
}

void ZipArchive::addData(const QByteArray& data, const QString& entryName, const QDateTime& modified,
                         std::uint32_t unixMode) {
    zip_t* z = handle();
    zip_source_t* source = zip_source_buffer(z, data.constData(), static_cast<zip_uint64_t>(data.size()), 0);
    if (!source)
        throw ZipError(archiveError(z));
    addSource(source, entryName, data.isEmpty(), static_cast<time_t>(modified.toSecsSinceEpoch()), unixMode);
}

void ZipArchive::addFile(const QString& filePath) {
    addFile(filePath, QFileInfo(filePath).fileName());
}

void ZipArchive::addFile(const QString& filePath, const QString& entryName) {
    zip_t* z = handle();
    struct stat st {};
    if (::stat(QFile::encodeName(filePath).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        throw ZipError(QStringLiteral("Cannot read %1").arg(filePath));

    zip_source_t* source = zip_source_file(z, QFile::encodeName(filePath).constData(), 0, -1);
    if (!source)
        throw ZipError(archiveError(z));
    addSource(source, entryName, st.st_size == 0, st.st_mtime, st.st_mode);
}

void ZipArchive::addSource(zip_source_t* source, const QString& entryName, bool empty, time_t modified,
                           std::uint32_t unixMode) {
    zip_t* z = handle();
    const zip_int64_t index =
        zip_file_add(z, entryName.toUtf8().constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        throw ZipError(archiveError(z));
    }
    const auto i = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(z, i, empty ? ZIP_CM_STORE : ZIP_CM_DEFLATE, empty ? 0 : 9) != 0 ||
        zip_file_set_mtime(z, i, modified, 0) != 0 ||
        zip_file_set_external_attributes(z, i, 0, ZIP_OPSYS_UNIX, (unixMode & 0xFFFF) << 16) != 0)
        throw ZipError(archiveError(z));
}

void ZipArchive::extract(int index, const QString& targetFile) const {
    zip_t* z = handle();
    const auto i = static_cast<zip_uint64_t>(index);
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0 || zip_stat_index(z, i, 0, &st) != 0)
        throw ZipError(archiveError(z));

    zip_file_t* in = zip_fopen_index(z, i, 0);
    if (!in)
        throw ZipError(archiveError(z));
    QFile out(targetFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        zip_fclose(in);
        throw ZipError(QStringLiteral("Cannot write %1: %2").arg(targetFile, out.errorString()));
    }
    // The announced size bounds what is written: an entry cannot fill the disk by lying about its size.
    const std::uint64_t limit = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
    std::uint64_t written = 0;
    char buffer[64 * 1024];
    QString failure;
    for (;;) {
        const zip_int64_t n = zip_fread(in, buffer, sizeof buffer);
        if (n < 0) {
            failure = QString::fromUtf8(zip_file_strerror(in));
            break;
        }
        if (n == 0)
            break;
        written += static_cast<std::uint64_t>(n);
        if (written > limit) {
            failure = QStringLiteral("Entry is larger than it announces");
            break;
        }
        if (out.write(buffer, n) != n) {
            failure = out.errorString();
            break;
        }
    }
    zip_fclose(in);
    if (failure.isEmpty() && written != limit)
        failure = QStringLiteral("Entry is shorter than it announces");
    if (failure.isEmpty() && !out.flush())
        failure = out.errorString();
    // The archive's permission bits are not applied: the file gets those of any file the program writes.
    if (failure.isEmpty() && (st.valid & ZIP_STAT_MTIME))
        out.setFileTime(QDateTime::fromSecsSinceEpoch(st.mtime), QFileDevice::FileModificationTime);
    if (failure.isEmpty() && ::fsync(out.handle()) != 0)
        failure = QString::fromLocal8Bit(std::strerror(errno));
    out.close();
    if (!failure.isEmpty()) {
        QFile::remove(targetFile);
        throw ZipError(QStringLiteral("Cannot extract %1: %2").arg(QString::fromUtf8(st.name), failure));
    }
}

void ZipArchive::close() {
    close({}, {});
}

void ZipArchive::close(const std::function<void(double)>& progress, const std::function<bool()>& cancelled) {
    zip_t* z = handle();
    // The callbacks stay registered only for this close: the archive is gone afterwards either way.
    if (progress)
        zip_register_progress_callback_with_state(
            z, 0.001,
            [](zip_t*, double share, void* state) {
                (*static_cast<const std::function<void(double)>*>(state))(share);
            },
            nullptr, const_cast<std::function<void(double)>*>(&progress));
    if (cancelled)
        zip_register_cancel_callback_with_state(
            z,
            [](zip_t*, void* state) { return (*static_cast<const std::function<bool()>*>(state))() ? 1 : 0; },
            nullptr, const_cast<std::function<bool()>*>(&cancelled));
    if (zip_close(z) != 0) {
        if (cancelled && cancelled()) {
            zip_discard(z);
            zip_ = nullptr;
            throw ZipCancelled();
        }
        const QString text = archiveError(z);
        zip_discard(z);
        zip_ = nullptr;
        throw ZipError(QStringLiteral("Cannot write %1: %2").arg(path_, text));
    }
    zip_ = nullptr;
}

void ZipArchive::discard() {
    if (zip_)
        zip_discard(zip_);
    zip_ = nullptr;
}
