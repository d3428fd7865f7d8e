#include "transfer/file_system.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace dext {
namespace {

class PosixAppendFile : public AppendFile {
 public:
  explicit PosixAppendFile(int fd) : fd_(fd) {}
  ~PosixAppendFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int ReadTail(size_t n, std::string* tail) override {
    tail->clear();
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0) return errno;
    tail->resize(std::min(n, static_cast<size_t>(size)));
    const ssize_t read = ::pread(fd_, tail->data(), tail->size(),
                                 size - static_cast<off_t>(tail->size()));
    if (read < 0) {
      tail->clear();
      return errno;
    }
    tail->resize(static_cast<size_t>(read));
    return 0;
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

 private:
  int fd_;
};

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
    const int fd = ::open(path.c_str(), mode | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    *file = std::make_unique<PosixAppendFile>(fd);
    return 0;
  }

  int DeleteFile(const std::string& path) override {
    return platform::DeleteFile(path) ? 0 : errno;
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

FileSystem*& Bound() {
  static FileSystem* bound = nullptr;
  return bound;
}

}  // namespace

FileSystem& PosixFiles() {
  static PosixFileSystem files;
  return files;
}

FileSystem& Files() { return Bound() != nullptr ? *Bound() : PosixFiles(); }

void BindFileSystem(FileSystem* files) { Bound() = files; }

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
