#include "lock_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>

#include "cause.h"
#include "file_admin.h"
#include "keyed_file.h"
#include "pg_store.h"
#include "record_lock.h"
#include "status.h"

namespace kvb {
namespace {

std::string TrimRight(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? "" : text.substr(0, end + 1));
}

// The keys of every record of the file, padded as locks take them.
int16_t KeysOf(KeyedFile& file, std::vector<std::string>* keys) {
  Record& record = file.buffer();
  return file.table().Scan([&](std::string_view data) {
    if (record.Assign(data)) keys->emplace_back(record.Key());
    return true;
  });
}

constexpr char kServerLocks[] =
    "SELECT l.classid, l.objid, a.application_name, a.pid,"
    " coalesce(host(a.client_addr), 'local'),"
    " to_char(a.backend_start, 'YYYY-MM-DD HH24:MI:SS'),"
    " to_char(a.state_change, 'YYYY-MM-DD HH24:MI:SS')"
    " FROM pg_locks l LEFT JOIN pg_stat_activity a ON a.pid = l.pid"
    " WHERE l.locktype = 'advisory' AND l.objsubid = 1 AND l.granted"
    " AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database())";

int16_t ListOnServer(RecordStore& store, const std::string& name,
                     const std::vector<std::string>& keys, LockListing* listing) {
  std::map<int64_t, std::string> key_of;
  for (const std::string& key : keys) key_of[PgLockId(name, key)] = key;
  SqlRows rows, database;
  if (int16_t code = store.RunSql(kServerLocks, {}, &rows); code != kNone) return code;
  store.RunSql("SELECT current_database()", {}, &database);
  listing->where = name + " in the database " + (database.empty() ? "?" : database[0][0]);
  for (const auto& row : rows) {
    const uint64_t high = std::strtoull(row[0].c_str(), nullptr, 10);
    const uint64_t low = std::strtoull(row[1].c_str(), nullptr, 10);
    const auto key = key_of.find(static_cast<int64_t>(high << 32 | low));
    if (key == key_of.end()) {
      ++listing->other_locks;
      continue;
    }
    listing->locks.push_back({TrimRight(key->second), row[2], row[3], row[4], row[5], row[6]});
  }
  return kNone;
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string LinkTarget(const std::string& path) {
  char target[4096];
  const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  return n < 0 ? "" : std::string(target, static_cast<size_t>(n));
}

// The processes (other than this one) with the file at path open, as far
// as this user may look into them.
std::vector<LockFileUser> UsersOf(const std::string& path) {
  std::vector<LockFileUser> users;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return users;
  while (dirent* entry = readdir(proc)) {
    const long pid = std::atol(entry->d_name);
    if (pid <= 0 || pid == getpid()) continue;
    const std::string base = "/proc/" + std::string(entry->d_name);
    DIR* fds = opendir((base + "/fd").c_str());
    if (fds == nullptr) continue;
    bool open = false;
    while (dirent* fd = readdir(fds)) {
      if (fd->d_name[0] != '.' && LinkTarget(base + "/fd/" + fd->d_name) == path) open = true;
    }
    closedir(fds);
    if (open) users.push_back({pid, FirstLine(base + "/comm"), LinkTarget(base + "/cwd")});
  }
  closedir(proc);
  std::sort(users.begin(), users.end(),
            [](const LockFileUser& a, const LockFileUser& b) { return a.pid < b.pid; });
  return users;
}

int16_t ListInFolder(const std::string& stub, const std::vector<std::string>& keys,
                     LockListing* listing) {
  listing->where = stub + "-lock";
  const int fd = open(listing->where.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return kNone;  // never locked
    return WithSystemError(kIoError, listing->where, errno);
  }
  int16_t code = kNone;
  for (const std::string& key : keys) {
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = RecordLockOffset(key);
    lock.l_len = 1;
    if (fcntl(fd, F_OFD_GETLK, &lock) != 0) {
      code = WithSystemError(kIoError, "locks of " + listing->where, errno);
      break;
    }
    if (lock.l_type != F_UNLCK) listing->locks.push_back({TrimRight(key), "", "", "", "", ""});
  }
  close(fd);
  listing->users = UsersOf(listing->where);
  return code;
}

}  // namespace

int16_t ListRecordLocks(StoreCache& stores, const std::string& host_path, LockListing* listing,
                        char named_drive) {
  std::unique_ptr<KeyedFile> file;
  KeyedFileAt at;
  std::vector<std::string> keys;
  int16_t code = KeyedFile::Open(stores, host_path, nullptr, true, &file, named_drive);
  if (code == kNone) code = LocateKeyedFile(stores, host_path, &at, named_drive);
  if (code == kNone) code = KeysOf(*file, &keys);
  if (code != kNone) return code;
  listing->on_server = at.on_server;
  code = at.on_server ? ListOnServer(file->store(), at.name, keys, listing)
                      : ListInFolder(at.stub, keys, listing);
  std::sort(listing->locks.begin(), listing->locks.end(),
            [](const HeldLock& a, const HeldLock& b) { return a.key < b.key; });
  return code;
}

}  // namespace kvb
