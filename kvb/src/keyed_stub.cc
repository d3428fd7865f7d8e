#include "keyed_stub.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "cause.h"
#include "new_file_mode.h"
#include "status.h"

namespace kvb {
namespace {

// The code of errno, with the system's words about what as its cause.
int16_t CodeOfErrno(const std::string& what) {
  const int error = errno;
  int16_t code = kIoError;
  if (error == ENOENT || error == ENOTDIR) code = kMissingFile;
  if (error == ENOSPC || error == EDQUOT) code = kDiskFull;
  if (error == EEXIST) code = kFileExists;
  if (error == EACCES || error == EPERM) code = kPermissionDenied;
  return WithSystemError(code, what, error);
}

}  // namespace

int16_t SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return CodeOfErrno(folder);
  int16_t code = fsync(fd) == 0 ? kNone : CodeOfErrno("sync of " + folder);
  close(fd);
  return code;
}

std::string FolderOf(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host_path.substr(0, slash);
}

std::string TableNameOf(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  std::string name = slash == std::string::npos ? host_path : host_path.substr(slash + 1);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

int16_t CheckStub(const std::string& host_path) {
  int fd = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return CodeOfErrno(host_path);
  struct stat st;
  char start[128];
  ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, start, sizeof start) : -1;
  close(fd);
  if (n < 0) return WithCause(kNotOurs, host_path + ": not a regular file");
  std::string_view text(start, n);
  if (text.substr(0, 16) == std::string_view("SQLite format 3", 16)) return kOldKeyedFile;
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line == kStubLine) return kNone;
  return WithCause(kNotOurs, host_path + ": a file of another kind, not the stub of a keyed file");
}

int16_t PlaceStub(const std::string& host_path, bool replace) {
  std::string temp = FolderOf(host_path) + "/.kvb-stub-XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return CodeOfErrno("a new file in " + FolderOf(host_path));
  const std::string text = std::string(kStubLine) + "\n";
  bool written = fchmod(fd, NewFileMode(FolderOf(host_path))) == 0 &&
                 write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                 fsync(fd) == 0;
  int16_t code = written ? kNone : CodeOfErrno(temp);
  close(fd);
  if (code == kNone) {
    int placed =
        replace ? rename(temp.c_str(), host_path.c_str()) : link(temp.c_str(), host_path.c_str());
    if (placed != 0) code = CodeOfErrno(host_path);
  }
  unlink(temp.c_str());  // after link; after a rename it is gone already
  if (code == kNone) code = SyncFolder(FolderOf(host_path));
  return code;
}

}  // namespace kvb
