// Files of the current directory and beyond, by their host path.
#ifndef DEXT_PLATFORM_FILES_H_
#define DEXT_PLATFORM_FILES_H_

#include <string>

namespace platform {

// Deletes a file. Returns false (and leaves everything as it was) when the
// file does not exist or cannot be deleted; errno tells why.
bool DeleteFile(const std::string& path);

}  // namespace platform

#endif  // DEXT_PLATFORM_FILES_H_
