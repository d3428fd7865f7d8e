#include "connection_name.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kvb {
namespace {

constexpr size_t kProgramBytes = 16;
constexpr size_t kDeskBytes = 24;

// text in printable ASCII, at most limit bytes; '@' and ':' too become '_'
// where they would split the name.
std::string Clean(std::string_view text, size_t limit, bool separators_allowed) {
  std::string clean;
  for (char c : text.substr(0, limit)) {
    const bool printable = c >= 0x20 && c < 0x7F;
    clean += printable && (separators_allowed || (c != '@' && c != ':')) ? c : '_';
  }
  return clean;
}

// The program's own name (glibc keeps argv[0]'s last part).
std::string ProgramName() {
  const char* name = program_invocation_short_name;
  return name != nullptr && *name != '\0' ? name : "kvb";
}

std::string DeskName() {
  if (const char* desk = std::getenv("KVB_DESK"); desk != nullptr && *desk != '\0') return desk;
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) != 0) return "?";
  return host;
}

std::string CurrentFolder() {
  char folder[PATH_MAX];
  return getcwd(folder, sizeof folder) != nullptr ? folder : "?";
}

}  // namespace

std::string ConnectionName(std::string_view program, std::string_view desk,
                           std::string_view folder) {
  const std::string head =
      Clean(program, kProgramBytes, false) + "@" + Clean(desk, kDeskBytes, false) + ":";
  std::string place = Clean(folder, folder.size(), true);
  const size_t room = kMaxConnectionName - head.size();
  if (place.size() > room) place = "..." + place.substr(place.size() - (room - 3));
  return head + place;
}

std::string ThisConnectionName() {
  return ConnectionName(ProgramName(), DeskName(), CurrentFolder());
}

}  // namespace kvb
