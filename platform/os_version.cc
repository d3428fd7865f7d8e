#include "platform/os_version.h"

#include <sys/utsname.h>

#include <cstdio>

namespace platform {

std::string WindowsVersionName(int platform, int major, int minor) {
  switch (platform) {
    case kPlatformWin32s:
      return "WIN32";
    case kPlatformWindows:
      if (minor == 0) return "WIN95";
      if (minor == 10) return "WIN98";
      if (minor == 90) return "WINME";
      break;
    case kPlatformWindowsNt:
      if (major == 3) return "WINNT351";
      if (major == 4) return "WINNT40";
      if (major == 5 && minor == 0) return "W2K";
      if (major == 5 && minor == 1) return "WINXP";
      break;
  }
  return "{unknown}";
}

std::optional<OsVersion> QueryOsVersion() {
  utsname names{};
  if (uname(&names) != 0) return std::nullopt;
  OsVersion version;
  std::sscanf(names.release, "%d.%d", &version.major, &version.minor);
  return version;
}

}  // namespace platform
