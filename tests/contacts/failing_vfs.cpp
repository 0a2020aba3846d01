#include "failing_vfs.h"

#include <sqlite3.h>

#include <cstring>

namespace penwick::testing {

namespace {

struct State {
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
    std::int64_t bytesLeft = 0;
    int refused = 0;
};
State state;

// Our file: the real one follows it in the same allocation.
struct File {
    sqlite3_file base;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* realOf(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real();
}

int xClose(sqlite3_file* f) {
    return realOf(f)->pMethods->xClose(realOf(f));
}
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
    return realOf(f)->pMethods->xRead(realOf(f), p, n, o);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    if (state.bytesLeft < n) {
        ++state.refused;
        return SQLITE_FULL;
    }
    state.bytesLeft -= n;
    return realOf(f)->pMethods->xWrite(realOf(f), p, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 s) {
    return realOf(f)->pMethods->xTruncate(realOf(f), s);
}
int xSync(sqlite3_file* f, int flags) {
    return realOf(f)->pMethods->xSync(realOf(f), flags);
}
int xFileSize(sqlite3_file* f, sqlite3_int64* s) {
    return realOf(f)->pMethods->xFileSize(realOf(f), s);
}
int xLock(sqlite3_file* f, int l) {
    return realOf(f)->pMethods->xLock(realOf(f), l);
}
int xUnlock(sqlite3_file* f, int l) {
    return realOf(f)->pMethods->xUnlock(realOf(f), l);
}
int xCheckReservedLock(sqlite3_file* f, int* r) {
    return realOf(f)->pMethods->xCheckReservedLock(realOf(f), r);
}
int xFileControl(sqlite3_file* f, int op, void* a) {
    return realOf(f)->pMethods->xFileControl(realOf(f), op, a);
}
int xSectorSize(sqlite3_file* f) {
    return realOf(f)->pMethods->xSectorSize(realOf(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f));
}
int xShmMap(sqlite3_file* f, int i, int s, int w, void volatile** p) {
    return realOf(f)->pMethods->xShmMap(realOf(f), i, s, w, p);
}
int xShmLock(sqlite3_file* f, int o, int n, int flags) {
    return realOf(f)->pMethods->xShmLock(realOf(f), o, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
    realOf(f)->pMethods->xShmBarrier(realOf(f));
}
int xShmUnmap(sqlite3_file* f, int d) {
    return realOf(f)->pMethods->xShmUnmap(realOf(f), d);
}
// Memory-mapped I/O would write around xWrite: refuse it, so SQLite uses xRead and xWrite.
int xFetch(sqlite3_file*, sqlite3_int64, int, void** p) {
    *p = nullptr;
    return SQLITE_OK;
}
int xUnfetch(sqlite3_file*, sqlite3_int64, void*) {
    return SQLITE_OK;
}

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = reinterpret_cast<File*>(f);
    const int rc = state.real->xOpen(state.real, name, file->real(), flags, outFlags);
    // A file the real VFS did not open has no methods and must not be closed through ours.
    file->base.pMethods = file->real()->pMethods != nullptr ? &state.methods : nullptr;
    return rc;
}

}  // namespace

FullDisk::FullDisk(std::int64_t bytesLeft) {
    state = State{};
    state.real = sqlite3_vfs_find(nullptr);
    state.bytesLeft = bytesLeft;
    state.vfs = *state.real;
    state.vfs.zName = "penwick-full-disk";
    state.vfs.szOsFile = static_cast<int>(sizeof(File)) + state.real->szOsFile;
    state.vfs.xOpen = xOpen;
    state.methods = sqlite3_io_methods{3,
                                       xClose,
                                       xRead,
                                       xWrite,
                                       xTruncate,
                                       xSync,
                                       xFileSize,
                                       xLock,
                                       xUnlock,
                                       xCheckReservedLock,
                                       xFileControl,
                                       xSectorSize,
                                       xDeviceCharacteristics,
                                       xShmMap,
                                       xShmLock,
                                       xShmBarrier,
                                       xShmUnmap,
                                       xFetch,
                                       xUnfetch};
    sqlite3_vfs_register(&state.vfs, /*makeDflt=*/1);
}

FullDisk::~FullDisk() {
    sqlite3_vfs_unregister(&state.vfs);
    sqlite3_vfs_register(state.real, 1);
}

int FullDisk::refused() const {
    return state.refused;
}

}  // namespace penwick::testing
