#include "sqlite_vfs.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <new>
#include <string>

namespace kvb {
namespace {

constexpr char kName[] = "kvb-unix";

sqlite3_vfs* system_vfs = nullptr;

// An open main database file: the system layer's file, and where its
// write-ahead log index lies.
struct StoreFile {
  sqlite3_file base;       // must come first: SQLite sees this
  std::string* shm_path;   // owned; deleted on close
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

StoreFile* Of(sqlite3_file* file) { return reinterpret_cast<StoreFile*>(file); }
const sqlite3_io_methods* Real(sqlite3_file* file) { return Of(file)->real()->pMethods; }

// Allocates the first bytes of the index at path on disk: SQLITE_OK, or
// SQLITE_FULL when the disk has no room for them.
//
// The allocation goes through a descriptor kept open for the life of the
// process: closing any descriptor of a file drops every POSIX lock the
// process holds on that file, and SQLite's locks on the index are such locks.
// Only a descriptor of an index that is no longer at the path (the last user
// deleted it) is closed, as no lock of this process can be on it.
int Reserve(const std::string& path, off_t bytes) {
  static std::mutex mutex;
  static std::map<std::string, int> descriptors;
  std::lock_guard guard(mutex);
  struct stat now {};
  if (stat(path.c_str(), &now) != 0) return SQLITE_IOERR_SHMOPEN;
  auto held = descriptors.find(path);
  if (held != descriptors.end()) {
    struct stat open {};
    if (fstat(held->second, &open) != 0 || open.st_ino != now.st_ino || open.st_dev != now.st_dev) {
      close(held->second);
      descriptors.erase(held);
      held = descriptors.end();
    }
  }
  if (held == descriptors.end()) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return SQLITE_IOERR_SHMOPEN;
    held = descriptors.emplace(path, fd).first;
  }
  const int error = posix_fallocate(held->second, 0, bytes);
  if (error == 0) return SQLITE_OK;
  // A filesystem that cannot allocate ahead (EOPNOTSUPP) keeps SQLite's own
  // way of extending the file.
  if (error == EOPNOTSUPP || error == EINVAL) return SQLITE_OK;
  return error == ENOSPC || error == EDQUOT ? SQLITE_FULL : SQLITE_IOERR_SHMSIZE;
}

int ShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** mapped) {
  // Without extending: opens the index (its first user empties it) and maps
  // the region when the file already reaches it.
  int rc = Real(file)->xShmMap(Of(file)->real(), region, size, 0, mapped);
  if (rc != SQLITE_OK || (*mapped == nullptr && !extend)) return rc;
  // Another program may have extended the file with holes: fill them too.
  rc = Reserve(*Of(file)->shm_path, static_cast<off_t>(region + 1) * size);
  if (rc != SQLITE_OK || *mapped != nullptr) return rc;
  return Real(file)->xShmMap(Of(file)->real(), region, size, extend, mapped);
}

int Close(sqlite3_file* file) {
  const int rc = Real(file)->xClose(Of(file)->real());
  delete Of(file)->shm_path;
  Of(file)->shm_path = nullptr;
  return rc;
}

// The other calls go to the system layer as they are.
int Read(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return Real(f)->xRead(Of(f)->real(), b, n, o); }
int Write(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) { return Real(f)->xWrite(Of(f)->real(), b, n, o); }
int Truncate(sqlite3_file* f, sqlite3_int64 n) { return Real(f)->xTruncate(Of(f)->real(), n); }
int Sync(sqlite3_file* f, int flags) { return Real(f)->xSync(Of(f)->real(), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* n) { return Real(f)->xFileSize(Of(f)->real(), n); }
int Lock(sqlite3_file* f, int l) { return Real(f)->xLock(Of(f)->real(), l); }
int Unlock(sqlite3_file* f, int l) { return Real(f)->xUnlock(Of(f)->real(), l); }
int CheckReservedLock(sqlite3_file* f, int* r) { return Real(f)->xCheckReservedLock(Of(f)->real(), r); }
int FileControl(sqlite3_file* f, int op, void* a) { return Real(f)->xFileControl(Of(f)->real(), op, a); }
int SectorSize(sqlite3_file* f) { return Real(f)->xSectorSize(Of(f)->real()); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->xDeviceCharacteristics(Of(f)->real()); }
int ShmLock(sqlite3_file* f, int o, int n, int flags) { return Real(f)->xShmLock(Of(f)->real(), o, n, flags); }
void ShmBarrier(sqlite3_file* f) { Real(f)->xShmBarrier(Of(f)->real()); }
int ShmUnmap(sqlite3_file* f, int d) { return Real(f)->xShmUnmap(Of(f)->real(), d); }
int Fetch(sqlite3_file* f, sqlite3_int64 o, int n, void** p) { return Real(f)->xFetch(Of(f)->real(), o, n, p); }
int Unfetch(sqlite3_file* f, sqlite3_int64 o, void* p) { return Real(f)->xUnfetch(Of(f)->real(), o, p); }

const sqlite3_io_methods kStoreFileMethods = {
    3,         Close,     Read,        Write,       Truncate,         Sync,
    FileSize,  Lock,      Unlock,      CheckReservedLock, FileControl, SectorSize,
    DeviceCharacteristics, ShmMap,     ShmLock,     ShmBarrier,       ShmUnmap,
    Fetch,     Unfetch,
};

// Main database files are wrapped; the others (the log, journals) are the
// system layer's files as they are, in the same space.
int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
  if ((flags & SQLITE_OPEN_MAIN_DB) == 0 || name == nullptr) {
    return system_vfs->xOpen(system_vfs, name, file, flags, out_flags);
  }
  StoreFile* store = Of(file);
  store->base.pMethods = nullptr;
  store->shm_path = nullptr;
  const int rc = system_vfs->xOpen(system_vfs, name, store->real(), flags, out_flags);
  if (rc != SQLITE_OK) return rc;
  if (store->real()->pMethods == nullptr || store->real()->pMethods->iVersion < 3) {
    // The system layer of this SQLite has no shared memory to allocate: a
    // store cannot run in write-ahead log mode there anyway.
    if (store->real()->pMethods != nullptr) store->real()->pMethods->xClose(store->real());
    return SQLITE_CANTOPEN;
  }
  store->shm_path = new (std::nothrow) std::string(std::string(name) + "-shm");
  if (store->shm_path == nullptr) {
    store->real()->pMethods->xClose(store->real());
    return SQLITE_NOMEM;
  }
  store->base.pMethods = &kStoreFileMethods;
  return SQLITE_OK;
}

sqlite3_vfs store_vfs;

}  // namespace

const char* StoreVfsName() {
  static std::once_flag registered;
  static bool usable = false;
  std::call_once(registered, [] {
    system_vfs = sqlite3_vfs_find(nullptr);
    if (system_vfs == nullptr || system_vfs->iVersion < 1) return;
    store_vfs = *system_vfs;
    store_vfs.szOsFile = static_cast<int>(sizeof(StoreFile)) + system_vfs->szOsFile;
    store_vfs.zName = kName;
    store_vfs.pNext = nullptr;
    store_vfs.xOpen = Open;
    usable = sqlite3_vfs_register(&store_vfs, 0) == SQLITE_OK;
  });
  return usable ? kName : nullptr;
}

}  // namespace kvb
