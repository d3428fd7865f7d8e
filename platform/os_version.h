// The operating system's version, and its short name in the accounting
// system's vocabulary of Windows versions.
#ifndef DEXT_PLATFORM_OS_VERSION_H_
#define DEXT_PLATFORM_OS_VERSION_H_

#include <optional>
#include <string>

namespace platform {

// Platform identifiers of the version record.
inline constexpr int kPlatformWin32s = 0;
inline constexpr int kPlatformWindows = 1;    // Windows 95, 98, ME
inline constexpr int kPlatformWindowsNt = 2;  // NT, 2000, XP and later
// Not a Windows system: no name in the table applies.
inline constexpr int kPlatformOther = -1;

struct OsVersion {
  int platform = kPlatformOther;
  int major = 0;
  int minor = 0;
};

// The short name of a Windows version ("WIN95", "WINXP", ...), or
// "{unknown}" for every combination the table does not name.
std::string WindowsVersionName(int platform, int major, int minor);

// What this system reports; nullopt when it cannot be asked. On Linux the
// platform is kPlatformOther, so the name is "{unknown}": a Linux kernel
// version has no honest Windows name.
std::optional<OsVersion> QueryOsVersion();

}  // namespace platform

#endif  // DEXT_PLATFORM_OS_VERSION_H_
