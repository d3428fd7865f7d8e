#include "store_location.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kvb {
namespace {

// path made absolute with its symbolic links resolved as far as it exists,
// so that a name through a link and the real name compare equal.
std::filesystem::path Canonical(const std::string& path) {
  std::error_code error;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  if (error) canonical = std::filesystem::absolute(path, error).lexically_normal();
  return canonical;
}

}  // namespace

bool OnServer(const std::string& host_path, char named_drive, ServerFile* file) {
  bool any_server = false;
  for (char letter = 'A'; letter <= 'Z' && !any_server; ++letter) {
    const char* store = std::getenv((std::string("KVB_STORE_") + letter).c_str());
    any_server = store != nullptr && *store != '\0';
  }
  if (!any_server) return false;
  const std::string path = Canonical(host_path).string();
  size_t matched = 0;  // of nested drive folders, the innermost decides
  bool on_server = false;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string suffix(1, letter);
    const char* folder = std::getenv(("KVB_DRIVE_" + suffix).c_str());
    const char* store = std::getenv(("KVB_STORE_" + suffix).c_str());
    if (folder == nullptr || *folder == '\0') continue;
    const std::string root = Canonical(folder).string();
    if (path.size() <= root.size() + 1 || path.compare(0, root.size(), root) != 0 ||
        (root != "/" && path[root.size()] != '/') || root.size() < matched ||
        (root.size() == matched && letter != named_drive)) {
      continue;
    }
    matched = root.size();
    on_server = store != nullptr && *store != '\0';
    if (!on_server) continue;
    std::string name = path.substr(root == "/" ? 1 : root.size() + 1);
    for (char& c : name) {
      if (c == '/') c = '\\';
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    file->conninfo = store;
    file->name = std::move(name);
  }
  return on_server;
}

}  // namespace kvb
