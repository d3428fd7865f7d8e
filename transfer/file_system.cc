#include "transfer/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace dext {
namespace {

// For the crash proofs: DEXT_FAULT_KILL_AT=claim or =delete kills the
// process on the spot right before the deal file is renamed or deleted, as a
// power cut there would. Built without the fault switches, it reads nothing.
void DieBefore(const char* step) {
#ifndef DEXT_NO_FAULT_SWITCHES
  const char* at = std::getenv("DEXT_FAULT_KILL_AT");
  if (at != nullptr && std::strcmp(at, step) == 0) ::kill(::getpid(), SIGKILL);
#else
  (void)step;
#endif
}

int SizeOf(int fd, uint64_t* size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  *size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int ReadFrom(int fd, uint64_t offset, size_t n, std::string* bytes) {
  bytes->assign(n, '\0');
  size_t got = 0;
  while (got < n) {
    const ssize_t read = ::pread(fd, bytes->data() + got, n - got, static_cast<off_t>(offset + got));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) {
      bytes->clear();
      return errno;
    }
    if (read == 0) break;
    got += static_cast<size_t>(read);
  }
  bytes->resize(got);
  return 0;
}

class PosixAppendFile : public AppendFile {
 public:
  explicit PosixAppendFile(int fd) : fd_(fd) {}
  ~PosixAppendFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int Size(uint64_t* size) override { return SizeOf(fd_, size); }
  int ReadAt(uint64_t offset, size_t n, std::string* bytes) override {
    return ReadFrom(fd_, offset, n, bytes);
  }

  int Append(std::string_view text, size_t* written) override {
    *written = 0;
    ssize_t n;
    do {
      n = ::write(fd_, text.data(), text.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    *written = static_cast<size_t>(n);
    return 0;
  }

  int Sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }

  int Close() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

class PosixFileLock : public FileLock {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }
  int Size(uint64_t* size) override { return SizeOf(fd_, size); }
  int ReadAt(uint64_t offset, size_t n, std::string* bytes) override {
    return ReadFrom(fd_, offset, n, bytes);
  }

 private:
  int fd_;
};

// Makes the entries of the folder of path durable.
int SyncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

class PosixFileSystem : public FileSystem {
 public:
  int ListFolder(const std::string& folder, std::vector<std::string>* names) override {
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      names->push_back(it->path().filename().string());
    }
    return error.value();
  }

  int OpenForAppend(const std::string& path, Access access,
                    std::unique_ptr<AppendFile>* file) override {
    const int mode = access == Access::kAppendAndRead ? O_RDWR : O_WRONLY;
    const int fd = platform::OpenOrMake(path, mode | O_APPEND | O_CLOEXEC);
    if (fd < 0) return errno;
    *file = std::make_unique<PosixAppendFile>(fd);
    return 0;
  }

  int DeleteFile(const std::string& path) override {
    DieBefore("delete");
    if (!platform::DeleteFile(path)) return errno;
    return SyncFolderOf(path);
  }

  int Rename(const std::string& from, const std::string& to) override {
    DieBefore("claim");
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
      return errno;
    }
    return SyncFolderOf(to);
  }

  int LockFile(const std::string& path, std::unique_ptr<FileLock>* lock) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      return error;
    }
    *lock = std::make_unique<PosixFileLock>(fd);
    return 0;
  }
};

}  // namespace

FileSystem& PosixFiles() {
  static PosixFileSystem files;
  return files;
}

std::vector<std::string> NamesInAnyCase(FileSystem& files, const std::string& folder,
                                        const std::string& name, int* error) {
  std::vector<std::string> entries;
  *error = files.ListFolder(folder, &entries);
  std::vector<std::string> names;
  for (const std::string& entry : entries) {
    if (::strcasecmp(entry.c_str(), name.c_str()) == 0) names.push_back(entry);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace dext
