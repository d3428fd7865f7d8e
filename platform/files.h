// Files of the current directory and beyond, by their host path.
#ifndef DEXT_PLATFORM_FILES_H_
#define DEXT_PLATFORM_FILES_H_

#include <string>

namespace platform {

// Deletes a file. Returns false (and leaves everything as it was) when the
// file does not exist or cannot be deleted; errno tells why.
bool DeleteFile(const std::string& path);

// Opens path with flags (O_RDWR or O_WRONLY, O_APPEND, O_CLOEXEC), making it
// when it is not there. A file made in a folder its group may write gets
// read and write for the group whatever the umask: the desks of a dealership
// run as different users of the group that shares the folder, and the
// others must write the log the first one made. Returns the descriptor, or
// -1 with errno.
int OpenOrMake(const std::string& path, int flags);

}  // namespace platform

#endif  // DEXT_PLATFORM_FILES_H_
