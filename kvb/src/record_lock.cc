#include "record_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "cause.h"
#include "keyed_stub.h"
#include "new_file_mode.h"
#include "status.h"

namespace kvb {
namespace {

bool SetLock(int fd, short type, int64_t offset) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = offset;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

int16_t KeyLock::Test(std::string_view key) {
  if (holds(key)) return kNone;
  const int16_t code = Lock(key);
  if (code == kNone) Release();
  return code;
}

int64_t RecordLockOffset(std::string_view key) {
  uint64_t hash = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : key) {
    hash ^= c;
    hash *= 1099511628211ULL;
  }
  return static_cast<int64_t>(hash & ((1ULL << 46) - 1));
}

RecordLock::RecordLock(const std::string& data_host_path) {
  // The lock file goes beside the file the name finally leads to, so that
  // every name of the file through symbolic links shares it.
  char* real = realpath(data_host_path.c_str(), nullptr);
  if (real == nullptr) {  // Lock reports kIoError
    open_error_ = errno;
    path_ = data_host_path;
    return;
  }
  path_ = std::string(real) + "-lock";
  free(real);
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    fchmod(fd_, NewFileMode(FolderOf(path_)));  // the lock file is the group's too
  } else if (errno == EEXIST) {
    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
  }
  if (fd_ < 0) open_error_ = errno;
}

RecordLock::~RecordLock() {
  if (fd_ >= 0) close(fd_);  // drops every lock of this open file description
}

int16_t RecordLock::Lock(std::string_view key) {
  if (fd_ < 0) {
    const bool refused = open_error_ == EACCES || open_error_ == EPERM;
    return WithSystemError(refused ? kPermissionDenied : kIoError, "lock file " + path_,
                           open_error_);
  }
  if (holds(key)) return kNone;
  int64_t offset = RecordLockOffset(key);
  if (held_ && offset != held_offset_) Release();
  if (!SetLock(fd_, F_WRLCK, offset)) {
    if (errno == EAGAIN || errno == EACCES) return kLocked;
    return WithSystemError(kIoError, "lock in " + path_, errno);
  }
  held_ = true;
  held_key_ = key;
  held_offset_ = offset;
  return kNone;
}

int16_t RecordLock::Test(std::string_view key) {
  if (fd_ < 0) return kIoError;
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = RecordLockOffset(key);
  lock.l_len = 1;
  if (fcntl(fd_, F_OFD_GETLK, &lock) != 0) return kIoError;
  return lock.l_type == F_UNLCK ? kNone : kLocked;
}

void RecordLock::Release() {
  if (!held_) return;
  SetLock(fd_, F_UNLCK, held_offset_);
  held_ = false;
  held_key_.clear();
}

}  // namespace kvb
