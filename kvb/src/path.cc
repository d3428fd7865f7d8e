#include "path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include "status.h"

namespace kvb {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The entry of folder that is component in another case, or component itself.
std::string MatchComponent(const std::string& folder, const std::string& component) {
  if (component == "." || component == ".." || Exists(folder + "/" + component)) return component;
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return component;
  std::string best;
  while (dirent* entry = readdir(dir)) {
    std::string_view candidate = entry->d_name;
    if (SameIgnoringCase(candidate, component) && (best.empty() || candidate < best)) {
      best = candidate;
    }
  }
  closedir(dir);
  return best.empty() ? component : best;
}

std::vector<std::string> SplitComponents(std::string_view rest) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : rest) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

enum class Start { kDrive, kRoot, kCurrentFolder };

// The host folder where name starts, its kind, and what remains of name after it.
int16_t FindStart(std::string_view name, std::string* start, Start* kind, std::string_view* rest) {
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    std::string variable = "KVB_DRIVE_";
    variable += static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    const char* folder = std::getenv(variable.c_str());
    if (folder == nullptr || *folder == '\0') return kUnmappedDrive;
    *start = folder;
    *kind = Start::kDrive;
    *rest = name.substr(2);
  } else if (name[0] == '/') {
    *start = "";
    *kind = Start::kRoot;
    *rest = name;
  } else {
    *start = ".";
    *kind = Start::kCurrentFolder;
    *rest = name;
  }
  return kNone;
}

// Drops "." components and lets ".." take away the component before it, by
// the names alone (as DOS does: a ".." after a symbolic link goes back to the
// folder holding the link). A ".." with nothing before it cannot climb above
// a drive's folder (kLeavesDrive), stays at the root of a host path, and is
// kept in a name relative to the current folder.
int16_t FoldDots(Start kind, std::vector<std::string>* components) {
  std::vector<std::string> folded;
  for (std::string& component : *components) {
    if (component == ".") continue;
    if (component != "..") {
      folded.push_back(std::move(component));
    } else if (!folded.empty() && folded.back() != "..") {
      folded.pop_back();
    } else if (kind == Start::kDrive) {
      return kLeavesDrive;
    } else if (kind == Start::kCurrentFolder) {
      folded.push_back(component);
    }
  }
  *components = std::move(folded);
  return kNone;
}

}  // namespace

int16_t ResolvePath(std::string_view name, std::string* host) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return kBadName;
  std::string path;
  std::string_view rest;
  Start kind;
  if (int16_t code = FindStart(name, &path, &kind, &rest); code != kNone) return code;
  std::vector<std::string> components = SplitComponents(rest);
  if (int16_t code = FoldDots(kind, &components); code != kNone) return code;
  if (components.empty()) return kBadName;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  for (const std::string& component : components) {
    path += "/" + MatchComponent(path, component);
  }
  *host = path;
  return kNone;
}

char DriveOf(std::string_view name) {
  if (name.size() < 2 || name[1] != ':') return '\0';
  const char letter = name[0];
  if (letter >= 'a' && letter <= 'z') return static_cast<char>(letter - 'a' + 'A');
  return letter >= 'A' && letter <= 'Z' ? letter : '\0';
}

bool FileExists(std::string_view name) {
  std::string host;
  if (ResolvePath(name, &host) != kNone) return false;
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return host.substr(host.rfind('/') + 1)[0] != '.';
}

}  // namespace kvb
