#include "ExportFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& path, int error) {
    throw std::runtime_error(QStringLiteral("The file \"%1\" cannot be written: %2")
                                 .arg(QDir::toNativeSeparators(path), qt_error_string(error))
                                 .toLocal8Bit()
                                 .toStdString());
}

// The finished file gets the access an older file of that name had, or what a newly made file gets.
void givePermissions(int fd, const QByteArray& target) {
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

} // namespace

void ExportFile::write(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    // Beside the target, so that the rename stays on one file system.
    QByteArray partial = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkstemp(partial.data());
    if (fd < 0)
        fail(path, errno);
    int error = 0;
    qsizetype done = 0;
    while (done < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (error == 0) {
        givePermissions(fd, target);
        if (::fsync(fd) != 0)
            error = errno;
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(partial.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(partial.constData());
        fail(path, error);
    }
    // The rename itself reaches the disk with the folder.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
