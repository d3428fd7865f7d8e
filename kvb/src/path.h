// Resolving the names the program passes (DOS paths through the drive map,
// relative names, host paths) to host paths.
#ifndef KVB_SRC_PATH_H_
#define KVB_SRC_PATH_H_

#include <string>
#include <string_view>

namespace kvb {

// Resolves name to a host path.
//  - "X:\DIR\FILE" (or "X:DIR\FILE") starts in the folder named by the
//    environment variable KVB_DRIVE_X; an unset or empty variable gives
//    kUnmappedDrive.
//  - A name starting with '/' is a host path; any other name is relative to
//    the current directory.
//  - '\' and '/' both separate. "." and ".." are resolved by the names alone
//    (symbolic links are followed only when the host path is used); a ".."
//    that would climb above the drive's folder gives kLeavesDrive, one above
//    the root of a host path stays at the root.
//  - Each component that does not exist under its exact name matches an
//    entry whose name differs only in ASCII case (the first in byte order
//    when several do). A component that matches nothing is kept as written,
//    so the result may name a file that does not exist yet.
// Returns kNone and sets *host, or a secondary code.
int16_t ResolvePath(std::string_view name, std::string* host);

// The drive a "X:..." name gives, upper-cased; '\0' for any other name.
char DriveOf(std::string_view name);

// 1 when name resolves to an existing regular file whose name does not start
// with '.' (the host's hidden files); else 0.
bool FileExists(std::string_view name);

}  // namespace kvb

#endif  // KVB_SRC_PATH_H_
