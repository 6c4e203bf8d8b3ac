#include "FileSteps.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace engine {

namespace {

struct StepState {
    bool enabled = false;
    long killAt = 0;
    int taken = 0;

    StepState() {
        if (const char* v = std::getenv("GROCELLE_KILL_AT_STEP")) {
            enabled = true;
            killAt = std::strtol(v, nullptr, 10);
        }
    }
};

StepState& state() {
    static StepState s;
    return s;
}

// A file of the counting layer: SQLite's own file follows it in the same allocation.
struct CountingFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_vfs* realVfs(sqlite3_vfs* vfs) {
    return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<CountingFile*>(f)->real;
}

int fClose(sqlite3_file* f) {
    return real(f)->pMethods->xClose(real(f));
}
int fRead(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    return real(f)->pMethods->xRead(real(f), buf, n, off);
}
int fWrite(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    fileStep();
    return real(f)->pMethods->xWrite(real(f), buf, n, off);
}
int fTruncate(sqlite3_file* f, sqlite3_int64 size) {
    fileStep();
    return real(f)->pMethods->xTruncate(real(f), size);
}
int fSync(sqlite3_file* f, int flags) {
    fileStep();
    return real(f)->pMethods->xSync(real(f), flags);
}
int fFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int fLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int fUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int fCheckReservedLock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int fFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int fSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int fDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// journal_mode=DELETE needs no shared memory and no memory mapping: the file methods stop at version 1.
const sqlite3_io_methods kCountingMethods = {1,
                                             fClose,
                                             fRead,
                                             fWrite,
                                             fTruncate,
                                             fSync,
                                             fFileSize,
                                             fLock,
                                             fUnlock,
                                             fCheckReservedLock,
                                             fFileControl,
                                             fSectorSize,
                                             fDeviceCharacteristics,
                                             nullptr,
                                             nullptr,
                                             nullptr,
                                             nullptr,
                                             nullptr,
                                             nullptr};

int vOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* cf = reinterpret_cast<CountingFile*>(file);
    cf->real = reinterpret_cast<sqlite3_file*>(cf + 1);
    const int rc = realVfs(vfs)->xOpen(realVfs(vfs), name, cf->real, flags, outFlags);
    cf->base.pMethods = cf->real->pMethods ? &kCountingMethods : nullptr;
    return rc;
}
int vDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
    fileStep();
    return realVfs(vfs)->xDelete(realVfs(vfs), name, syncDir);
}
int vAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
    return realVfs(vfs)->xAccess(realVfs(vfs), name, flags, out);
}
int vFullPathname(sqlite3_vfs* vfs, const char* name, int n, char* out) {
    return realVfs(vfs)->xFullPathname(realVfs(vfs), name, n, out);
}
int vRandomness(sqlite3_vfs* vfs, int n, char* out) {
    return realVfs(vfs)->xRandomness(realVfs(vfs), n, out);
}
int vSleep(sqlite3_vfs* vfs, int us) {
    return realVfs(vfs)->xSleep(realVfs(vfs), us);
}
int vCurrentTime(sqlite3_vfs* vfs, double* out) {
    return realVfs(vfs)->xCurrentTime(realVfs(vfs), out);
}
int vGetLastError(sqlite3_vfs* vfs, int n, char* out) {
    return realVfs(vfs)->xGetLastError(realVfs(vfs), n, out);
}

} // namespace

void fileStep() {
    StepState& s = state();
    if (!s.enabled)
        return;
    ++s.taken;
    if (s.killAt > 0 && s.taken == s.killAt)
        std::raise(SIGKILL);
}

int fileStepsTaken() {
    return state().taken;
}

void installStepCounting() {
    static const bool installed = [] {
        if (!state().enabled)
            return false;
        sqlite3_initialize();
        static sqlite3_vfs vfs{};
        sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
        vfs.iVersion = 1;
        vfs.szOsFile = static_cast<int>(sizeof(CountingFile)) + base->szOsFile;
        vfs.mxPathname = base->mxPathname;
        vfs.zName = "grocelle-steps";
        vfs.pAppData = base;
        vfs.xOpen = vOpen;
        vfs.xDelete = vDelete;
        vfs.xAccess = vAccess;
        vfs.xFullPathname = vFullPathname;
        vfs.xRandomness = vRandomness;
        vfs.xSleep = vSleep;
        vfs.xCurrentTime = vCurrentTime;
        vfs.xGetLastError = vGetLastError;
        return sqlite3_vfs_register(&vfs, 1) == SQLITE_OK;
    }();
    (void)installed;
}

} // namespace engine
