#include "session/identity.h"

#include "platform/computer_name.h"
#include "platform/os_version.h"
#include "records/library.h"
#include "context/session.h"

namespace dext {

std::string GetComputerName() { return platform::ComputerName(); }

std::string GetWindowsVersion() {
  std::optional<platform::OsVersion> version = platform::QueryOsVersion();
  if (!version) return "{unknown}";
  return platform::WindowsVersionName(version->platform, version->major, version->minor);
}

int16_t InitRecordLibrary(int16_t base) {
  int16_t result = Library().KVBinit(base);
  ErrorRecord& error = Session().ErrorInfo;
  error.ComputerName = GetComputerName();
  error.WindowsVersion = GetWindowsVersion();
  return result;
}

}  // namespace dext
