#include "chain_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "cause.h"
#include "chain_codes.h"

namespace kvb {
namespace {

// A stored block is at most 48 lines of twice the longest text, plus the
// header; anything larger is not a block.
constexpr size_t kStoredMax = kChainParameters * (2 * kChainTextMax + 1) + 64;

std::string BlockName(int16_t handle) { return "block-" + std::to_string(handle); }

bool IsPrivate(const struct stat& st) {
  return st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? std::string(value) : std::string();
}

// mkdir -p with mode 0700 for every folder it makes.
bool MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) == 0) {
      chmod(part.c_str(), 0700);  // whatever the umask left
    } else if (errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

class FolderLock {
 public:
  explicit FolderLock(int fd) : fd_(fd) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() { flock(fd_, LOCK_UN); }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

int16_t ReadAll(int fd, std::string* data) {
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return kChainIo;
    if (n == 0) return kChainOk;
    data->append(buffer, static_cast<size_t>(n));
    if (data->size() > kStoredMax) return kChainDamaged;
  }
}

}  // namespace

std::string DefaultChainFolder() {
  std::string folder = AbsoluteEnv("KVB_CHAIN_DIR");
  if (!folder.empty()) return folder;
  folder = AbsoluteEnv("XDG_RUNTIME_DIR");
  if (!folder.empty()) return folder + "/kvb";
  folder = AbsoluteEnv("HOME");
  if (!folder.empty()) return folder + "/.local/state/kvb/chain";
  return "";
}

int16_t ChainFolder::Open(const std::string& path) {
  if (path.empty() || path[0] != '/') {
    return WithCause(kChainNoFolder, "no folder for parameter blocks (set KVB_CHAIN_DIR)");
  }
  path_ = path;
  fd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0 && errno == ENOENT) {
    if (!MakeFolders(path)) return WithSystemError(kChainNoFolder, path, errno);
    fd_ = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  }
  if (fd_ < 0) {
    return WithSystemError(errno == ELOOP || errno == ENOTDIR ? kChainUnsafeFolder : kChainNoFolder,
                           path, errno);
  }
  struct stat st;
  if (fstat(fd_, &st) != 0) return WithSystemError(kChainIo, path, errno);
  if (IsPrivate(st)) return kChainOk;
  return WithCause(kChainUnsafeFolder, path + ": others may write to it, or it is not yours");
}

ChainFolder::~ChainFolder() {
  if (fd_ >= 0) close(fd_);
}

int16_t ChainFolder::Load(int16_t handle, ChainBlock* block, bool* found) const {
  block->fill(std::string());
  *found = false;
  const std::string where = path_ + "/" + BlockName(handle);
  int fd = openat(fd_, BlockName(handle).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return kChainOk;
    return WithSystemError(errno == ELOOP ? kChainUnsafeBlock : kChainIo, where, errno);
  }
  std::string stored;
  struct stat st;
  int16_t code = kChainOk;
  if (fstat(fd, &st) != 0) {
    code = WithSystemError(kChainIo, where, errno);
  } else if (!S_ISREG(st.st_mode) || !IsPrivate(st)) {
    code = WithCause(kChainUnsafeBlock, where + ": not a private file of this user");
  } else if ((code = ReadAll(fd, &stored)) == kChainIo) {
    code = WithSystemError(kChainIo, where, errno);
  }
  close(fd);
  if (code != kChainOk) return code;
  if (!ParseChainBlock(stored, block)) {
    block->fill(std::string());
    return WithCause(kChainDamaged, where + ": not a parameter block");
  }
  *found = true;
  return kChainOk;
}

int16_t ChainFolder::Store(int16_t handle, const ChainBlock& block) const {
  FolderLock lock(fd_);
  return Replace(handle, block);
}

int16_t ChainFolder::Replace(int16_t handle, const ChainBlock& block) const {
  for (const std::string& text : block) {
    if (text.size() > kChainTextMax) return kChainTextTooLong;
  }
  static std::atomic<unsigned> counter{0};
  const std::string name = BlockName(handle);
  const std::string temporary =
      "." + name + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  int fd =
      openat(fd_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return WithSystemError(kChainIo, path_ + "/" + temporary, errno);
  bool written = fchmod(fd, 0600) == 0 && WriteAll(fd, FormatChainBlock(block)) && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written || renameat(fd_, temporary.c_str(), fd_, name.c_str()) != 0) {
    const int error = errno;
    unlinkat(fd_, temporary.c_str(), 0);
    return WithSystemError(kChainIo, path_ + "/" + name, error);
  }
  fsync(fd_);
  return kChainOk;
}

int16_t ChainFolder::Update(int16_t handle, int index, const std::string& text) const {
  if (index < 0 || index >= kChainParameters) return kChainBadIndex;
  if (text.size() > kChainTextMax) return kChainTextTooLong;
  FolderLock lock(fd_);
  ChainBlock block;
  bool found = false;
  int16_t code = Load(handle, &block, &found);
  if (code != kChainOk) return code;
  block[index] = text;
  return Replace(handle, block);
}

int16_t ChainFolder::Remove(int16_t handle) const {
  FolderLock lock(fd_);
  if (unlinkat(fd_, BlockName(handle).c_str(), 0) != 0 && errno != ENOENT) {
    return WithSystemError(kChainIo, path_ + "/" + BlockName(handle), errno);
  }
  return kChainOk;
}

}  // namespace kvb
