#include "new_file_mode.h"

#include <sys/stat.h>

namespace kvb {

mode_t NewFileMode(const std::string& folder) {
  const mode_t mask = umask(0);
  umask(mask);
  mode_t mode = 0666 & ~mask;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWGRP) != 0) mode |= S_IRGRP | S_IWGRP;
  return mode;
}

}  // namespace kvb
