#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace platform {
namespace {

mode_t NewFileMode(const std::string& path) {
  const mode_t mask = umask(0);
  umask(mask);
  mode_t mode = 0666 & ~mask;
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct stat st;
  if (stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWGRP) != 0) mode |= S_IRGRP | S_IWGRP;
  return mode;
}

}  // namespace

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

int OpenOrMake(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
  if (fd >= 0) {
    fchmod(fd, NewFileMode(path));
    return fd;
  }
  if (errno != EEXIST) return -1;
  return open(path.c_str(), flags);
}

}  // namespace platform
