#include "keyed_stub.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "status.h"

namespace kvb {
namespace {

int16_t CodeOfErrno() {
  if (errno == ENOENT || errno == ENOTDIR) return kMissingFile;
  if (errno == ENOSPC || errno == EDQUOT) return kDiskFull;
  if (errno == EEXIST) return kFileExists;
  if (errno == EACCES || errno == EPERM) return kPermissionDenied;
  return kIoError;
}

int16_t SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return CodeOfErrno();
  int16_t code = fsync(fd) == 0 ? kNone : kIoError;
  close(fd);
  return code;
}

// The mode open(O_CREAT, 0666) would give (mkstemp makes 0600).
mode_t CreationMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

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
  if (fd < 0) return CodeOfErrno();
  struct stat st;
  char start[128];
  ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, start, sizeof start) : -1;
  close(fd);
  if (n < 0) return kNotOurs;
  std::string_view text(start, n);
  if (text.substr(0, 16) == std::string_view("SQLite format 3", 16)) return kOldKeyedFile;
  std::string_view line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line == kStubLine ? kNone : kNotOurs;
}

int16_t PlaceStub(const std::string& host_path, bool replace) {
  std::string temp = FolderOf(host_path) + "/.kvb-stub-XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return CodeOfErrno();
  const std::string text = std::string(kStubLine) + "\n";
  bool written = fchmod(fd, CreationMode()) == 0 &&
                 write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                 fsync(fd) == 0;
  int16_t code = written ? kNone : CodeOfErrno();
  close(fd);
  if (code == kNone) {
    int placed =
        replace ? rename(temp.c_str(), host_path.c_str()) : link(temp.c_str(), host_path.c_str());
    if (placed != 0) code = CodeOfErrno();
  }
  unlink(temp.c_str());  // after link; after a rename it is gone already
  if (code == kNone) code = SyncFolder(FolderOf(host_path));
  return code;
}

}  // namespace kvb
