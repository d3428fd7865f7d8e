#include "sync_count.h"

#include <sqlite3.h>

#include <atomic>

namespace kvb {
namespace {

std::atomic<long> syncs{0};
sqlite3_vfs* real_vfs = nullptr;
sqlite3_vfs counting_vfs;
sqlite3_io_methods counting_methods;

// A file of the counting layer: its own header, then the real file.
struct CountingFile {
  sqlite3_file header;
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<CountingFile*>(file)->real(); }

// Passes a call of file f on to its real file.
#define PASS_ON(method, ...) Real(f)->pMethods->method(Real(f) __VA_OPT__(, ) __VA_ARGS__)

int Close(sqlite3_file* f) { return PASS_ON(xClose); }
int Read(sqlite3_file* f, void* data, int n, sqlite3_int64 at) {
  return PASS_ON(xRead, data, n, at);
}
int Write(sqlite3_file* f, const void* data, int n, sqlite3_int64 at) {
  return PASS_ON(xWrite, data, n, at);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) { return PASS_ON(xTruncate, size); }
int Sync(sqlite3_file* f, int flags) {
  ++syncs;
  return PASS_ON(xSync, flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return PASS_ON(xFileSize, size); }
int Lock(sqlite3_file* f, int level) { return PASS_ON(xLock, level); }
int Unlock(sqlite3_file* f, int level) { return PASS_ON(xUnlock, level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return PASS_ON(xCheckReservedLock, out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return PASS_ON(xFileControl, op, arg); }
int SectorSize(sqlite3_file* f) { return PASS_ON(xSectorSize); }
int DeviceCharacteristics(sqlite3_file* f) { return PASS_ON(xDeviceCharacteristics); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return PASS_ON(xShmMap, region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return PASS_ON(xShmLock, offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { PASS_ON(xShmBarrier); }
int ShmUnmap(sqlite3_file* f, int remove) { return PASS_ON(xShmUnmap, remove); }
// Memory-mapped reads, where the real file offers them.
int Fetch(sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
  if (Real(f)->pMethods->iVersion < 3) {
    *out = nullptr;
    return SQLITE_OK;
  }
  return PASS_ON(xFetch, at, n, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 at, void* data) {
  return Real(f)->pMethods->iVersion < 3 ? SQLITE_OK : PASS_ON(xUnfetch, at, data);
}

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  int rc = real_vfs->xOpen(real_vfs, name, Real(f), flags, out_flags);
  f->pMethods = Real(f)->pMethods != nullptr ? &counting_methods : nullptr;
  return rc;
}

}  // namespace

bool CountSyncs() {
  static const bool installed = [] {
    real_vfs = sqlite3_vfs_find(nullptr);
    if (real_vfs == nullptr || real_vfs->iVersion < 1) return false;
    counting_methods = sqlite3_io_methods{3,
                                          Close,
                                          Read,
                                          Write,
                                          Truncate,
                                          Sync,
                                          FileSize,
                                          Lock,
                                          Unlock,
                                          CheckReservedLock,
                                          FileControl,
                                          SectorSize,
                                          DeviceCharacteristics,
                                          ShmMap,
                                          ShmLock,
                                          ShmBarrier,
                                          ShmUnmap,
                                          Fetch,
                                          Unfetch};
    counting_vfs = *real_vfs;
    counting_vfs.zName = "kvb-sync-count";
    counting_vfs.szOsFile = static_cast<int>(sizeof(CountingFile)) + real_vfs->szOsFile;
    counting_vfs.xOpen = Open;
    counting_vfs.pNext = nullptr;
    return sqlite3_vfs_register(&counting_vfs, 1) == SQLITE_OK;
  }();
  return installed;
}

long SyncsSoFar() { return syncs.load(); }

}  // namespace kvb
