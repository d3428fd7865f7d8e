#include "platform/files.h"

#include <unistd.h>

namespace platform {

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

}  // namespace platform
