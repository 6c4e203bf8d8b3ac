// Loaded with LD_PRELOAD into a program under test, records every change the program makes to files below one
// folder, in order, so that a test can rebuild what a power loss at any point would leave on the disk.
//   GROCELLE_POWERLOSS_ROOT  the folder (an absolute path without symbolic links)
//   GROCELLE_POWERLOSS_LOG   the file the records are appended to, one a line:
//     C ino path            a new file was created          T ino size     a file was truncated or extended
//     W ino offset hex      bytes written at an offset      S ino          a file was synced
//     D path                a folder was synced             R ino from to  a file was renamed
//     U ino path            a name was removed              L ino path     a hard link was made
//     M path                a folder was made               X path         a folder was removed
//     O hex                 what the program wrote on standard output
//     Q what                an operation the records cannot describe (the test fails on it)
// Files are told apart by inode number; the test replaces the files in its own model when a number returns.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <string>

namespace {

pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
// Plain storage: the constructor below may run before the library's C++ objects are made.
char root[PATH_MAX];
size_t rootSize = 0;
int logFd = -1;
thread_local bool inside = false; // our own calls are not recorded

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

#define REAL(name) static const auto real_##name = real<decltype(&::name)>(#name)

ssize_t rawWrite(int fd, const void* data, size_t size) {
    REAL(write);
    return real_write(fd, data, size);
}

__attribute__((constructor)) void start() {
    const char* r = getenv("GROCELLE_POWERLOSS_ROOT");
    const char* l = getenv("GROCELLE_POWERLOSS_LOG");
    if (!r || !l || strlen(r) >= sizeof root)
        return;
    strcpy(root, r);
    rootSize = strlen(r);
    REAL(open);
    logFd = real_open(l, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

void record(const std::string& line) {
    pthread_mutex_lock(&mutex);
    const std::string text = line + '\n';
    rawWrite(logFd, text.data(), text.size());
    pthread_mutex_unlock(&mutex);
}

std::string hex(const void* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out(size * 2, '0');
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    return out;
}

bool active() {
    return logFd >= 0 && !inside;
}

std::string fdPath(int fd) {
    char link[64];
    char target[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

std::string absolute(int dirfd, const char* path) {
    if (!path)
        return {};
    if (path[0] == '/')
        return path;
    std::string base;
    if (dirfd == AT_FDCWD) {
        char cwd[PATH_MAX];
        base = getcwd(cwd, sizeof cwd) ? cwd : "";
    } else {
        base = fdPath(dirfd);
    }
    return base + '/' + path;
}

bool below(const std::string& path) {
    return rootSize > 0 && path.size() > rootSize && path.compare(0, rootSize, root) == 0 &&
           path[rootSize] == '/';
}

// The inode of an open file below the root (a removed one still counts), or 0.
ino_t trackedInode(int fd, bool* folder = nullptr) {
    const std::string path = fdPath(fd);
    if (!below(path))
        return 0;
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return 0;
    if (folder)
        *folder = S_ISDIR(st.st_mode);
    return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ? st.st_ino : 0;
}

ino_t inodeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

int afterOpen(int fd, const std::string& path, int flags, bool existed) {
    if (fd < 0 || !below(path))
        return fd;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return fd;
    if (!existed)
        record("C " + std::to_string(st.st_ino) + ' ' + path);
    else if (flags & O_TRUNC)
        record("T " + std::to_string(st.st_ino) + " 0");
    return fd;
}

int openAt(int dirfd, const char* path, int flags, mode_t mode,
           int (*realOpenAt)(int, const char*, int, ...)) {
    if (!active())
        return realOpenAt(dirfd, path, flags, mode);
    inside = true;
    const std::string full = absolute(dirfd, path);
    const bool existed = !(flags & O_CREAT) || inodeOf(full) != 0;
    const int fd = realOpenAt(dirfd, path, flags, mode);
    afterOpen(fd, full, flags, existed);
    inside = false;
    return fd;
}

mode_t modeArgument(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

void written(int fd, const void* data, ssize_t n, off_t offset) {
    if (n <= 0)
        return;
    if (fd == 1) {
        record("O " + hex(data, static_cast<size_t>(n)));
        return;
    }
    if (const ino_t ino = trackedInode(fd))
        record("W " + std::to_string(ino) + ' ' + std::to_string(offset) + ' ' +
               hex(data, static_cast<size_t>(n)));
}

off_t offsetBeforeWrite(int fd) {
    if (fcntl(fd, F_GETFL) & O_APPEND) {
        struct stat st {};
        return fstat(fd, &st) == 0 ? st.st_size : 0;
    }
    return lseek(fd, 0, SEEK_CUR);
}

void renamed(const std::string& from, const std::string& to, ino_t ino, int rc) {
    if (rc != 0 || (!below(from) && !below(to)))
        return;
    if (below(from) && below(to))
        record("R " + std::to_string(ino) + ' ' + from + ' ' + to);
    else
        record("Q rename across the root " + from + ' ' + to);
}

} // namespace

extern "C" {

int openat(int dirfd, const char* path, int flags, ...) {
    REAL(openat);
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openAt(dirfd, path, flags, mode, real_openat);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    REAL(openat64);
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openAt(dirfd, path, flags, mode, real_openat64);
}

int open(const char* path, int flags, ...) {
    REAL(openat);
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openAt(AT_FDCWD, path, flags, mode, real_openat);
}

int open64(const char* path, int flags, ...) {
    REAL(openat64);
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeArgument(flags, args);
    va_end(args);
    return openAt(AT_FDCWD, path, flags, mode, real_openat64);
}

int __open_2(const char* path, int flags) {
    return open(path, flags);
}

int __open64_2(const char* path, int flags) {
    return open64(path, flags);
}

int creat(const char* path, mode_t mode) {
    return open(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

int creat64(const char* path, mode_t mode) {
    return open64(path, O_CREAT | O_WRONLY | O_TRUNC, mode);
}

ssize_t write(int fd, const void* data, size_t size) {
    REAL(write);
    if (!active())
        return real_write(fd, data, size);
    inside = true;
    const off_t offset = offsetBeforeWrite(fd);
    const ssize_t n = real_write(fd, data, size);
    written(fd, data, n, offset);
    inside = false;
    return n;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    REAL(pwrite);
    if (!active())
        return real_pwrite(fd, data, size, offset);
    inside = true;
    const ssize_t n = real_pwrite(fd, data, size, offset);
    written(fd, data, n, offset);
    inside = false;
    return n;
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
    REAL(pwrite64);
    if (!active())
        return real_pwrite64(fd, data, size, offset);
    inside = true;
    const ssize_t n = real_pwrite64(fd, data, size, offset);
    written(fd, data, n, offset);
    inside = false;
    return n;
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
    REAL(writev);
    if (active() && trackedInode(fd))
        record("Q writev");
    return real_writev(fd, parts, count);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    REAL(fwrite);
    const size_t n = real_fwrite(data, size, count, stream);
    if (active() && stream == stdout && n > 0) {
        inside = true;
        record("O " + hex(data, n * size));
        inside = false;
    }
    return n;
}

int ftruncate(int fd, off_t size) {
    REAL(ftruncate);
    const int rc = real_ftruncate(fd, size);
    if (rc == 0 && active()) {
        inside = true;
        if (const ino_t ino = trackedInode(fd))
            record("T " + std::to_string(ino) + ' ' + std::to_string(size));
        inside = false;
    }
    return rc;
}

int ftruncate64(int fd, off64_t size) {
    REAL(ftruncate64);
    const int rc = real_ftruncate64(fd, size);
    if (rc == 0 && active()) {
        inside = true;
        if (const ino_t ino = trackedInode(fd))
            record("T " + std::to_string(ino) + ' ' + std::to_string(size));
        inside = false;
    }
    return rc;
}

static int synced(int fd, int rc) {
    if (rc == 0 && active()) {
        inside = true;
        bool folder = false;
        if (const ino_t ino = trackedInode(fd, &folder))
            record(folder ? "D " + fdPath(fd) : "S " + std::to_string(ino));
        else if (rootSize > 0 && fdPath(fd) == root)
            record(std::string("D ") + root);
        inside = false;
    }
    return rc;
}

int fsync(int fd) {
    REAL(fsync);
    return synced(fd, real_fsync(fd));
}

int fdatasync(int fd) {
    REAL(fdatasync);
    return synced(fd, real_fdatasync(fd));
}

int rename(const char* from, const char* to) {
    REAL(rename);
    if (!active())
        return real_rename(from, to);
    inside = true;
    const std::string a = absolute(AT_FDCWD, from), b = absolute(AT_FDCWD, to);
    const ino_t ino = inodeOf(a);
    const int rc = real_rename(from, to);
    renamed(a, b, ino, rc);
    inside = false;
    return rc;
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    REAL(renameat);
    if (!active())
        return real_renameat(fromDir, from, toDir, to);
    inside = true;
    const std::string a = absolute(fromDir, from), b = absolute(toDir, to);
    const ino_t ino = inodeOf(a);
    const int rc = real_renameat(fromDir, from, toDir, to);
    renamed(a, b, ino, rc);
    inside = false;
    return rc;
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    REAL(renameat2);
    if (!active())
        return real_renameat2(fromDir, from, toDir, to, flags);
    inside = true;
    const std::string a = absolute(fromDir, from), b = absolute(toDir, to);
    const ino_t ino = inodeOf(a);
    const int rc = real_renameat2(fromDir, from, toDir, to, flags);
    renamed(a, b, ino, rc);
    inside = false;
    return rc;
}

static int removed(const std::string& path, ino_t ino, bool folder, int rc) {
    if (rc == 0 && below(path))
        record(folder ? "X " + path : "U " + std::to_string(ino) + ' ' + path);
    return rc;
}

int unlink(const char* path) {
    REAL(unlink);
    if (!active())
        return real_unlink(path);
    inside = true;
    const std::string full = absolute(AT_FDCWD, path);
    const ino_t ino = inodeOf(full);
    const int rc = removed(full, ino, false, real_unlink(path));
    inside = false;
    return rc;
}

int unlinkat(int dirfd, const char* path, int flags) {
    REAL(unlinkat);
    if (!active())
        return real_unlinkat(dirfd, path, flags);
    inside = true;
    const std::string full = absolute(dirfd, path);
    const ino_t ino = inodeOf(full);
    const int rc = removed(full, ino, flags & AT_REMOVEDIR, real_unlinkat(dirfd, path, flags));
    inside = false;
    return rc;
}

int rmdir(const char* path) {
    REAL(rmdir);
    if (!active())
        return real_rmdir(path);
    inside = true;
    const std::string full = absolute(AT_FDCWD, path);
    const int rc = removed(full, 0, true, real_rmdir(path));
    inside = false;
    return rc;
}

int mkdir(const char* path, mode_t mode) {
    REAL(mkdir);
    if (!active())
        return real_mkdir(path, mode);
    inside = true;
    const std::string full = absolute(AT_FDCWD, path);
    const int rc = real_mkdir(path, mode);
    if (rc == 0 && below(full))
        record("M " + full);
    inside = false;
    return rc;
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
    REAL(mkdirat);
    if (!active())
        return real_mkdirat(dirfd, path, mode);
    inside = true;
    const std::string full = absolute(dirfd, path);
    const int rc = real_mkdirat(dirfd, path, mode);
    if (rc == 0 && below(full))
        record("M " + full);
    inside = false;
    return rc;
}

int link(const char* from, const char* to) {
    REAL(link);
    if (!active())
        return real_link(from, to);
    inside = true;
    const std::string a = absolute(AT_FDCWD, from), b = absolute(AT_FDCWD, to);
    const int rc = real_link(from, to);
    if (rc == 0 && below(b))
        record(below(a) ? "L " + std::to_string(inodeOf(b)) + ' ' + b : "Q link into the root " + b);
    inside = false;
    return rc;
}

} // extern "C"
