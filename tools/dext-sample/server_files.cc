#include "tools/dext-sample/server_files.h"

#include <cstdlib>
#include <stdexcept>

namespace sample {

ServerFiles::ServerFiles(std::vector<std::string> names, Kvbtool kvbtool)
    : names_(std::move(names)), kvbtool_(std::move(kvbtool)) {}

bool ServerFiles::Wanted() {
  const char* store = std::getenv("KVB_STORE_F");
  return store != nullptr && *store != '\0';
}

std::string ServerFiles::Building(const std::string& name) {
  return Wanted() ? name + ".partial" : name;
}

bool ServerFiles::Exists(const std::string& name) { return kvbtool_({"check", name}, false) == 0; }

void ServerFiles::Prepare(bool force) {
  for (const std::string& name : names_) {
    if (!force && Exists(name)) {
      throw std::runtime_error("the record server already holds " + name +
                               " (--force replaces the dealership's files there)");
    }
    if (Exists(Building(name))) kvbtool_({"remove", "--yes", Building(name)}, true);
  }
}

void ServerFiles::Place(bool force) {
  std::vector<std::string> placed;
  for (const std::string& name : names_) {
    // With force, the dealership's file of that name goes first: rename
    // never replaces a file (only remove drops records).
    if (force && Exists(name) && kvbtool_({"remove", "--yes", name}, true) != 0) {
      Discard();
      throw std::runtime_error("cannot remove " + name + " from the record server");
    }
    if (kvbtool_({"rename", "--yes", Building(name), name}, true) != 0) {
      Discard();
      // Without force, the names were free before this build: what it
      // placed goes too. With force the files placed replaced others.
      for (const std::string& made : force ? std::vector<std::string>() : placed) {
        kvbtool_({"remove", "--yes", made}, true);
      }
      throw std::runtime_error("cannot put " + name + " in place on the record server");
    }
    placed.push_back(name);
  }
}

void ServerFiles::Discard() {
  for (const std::string& name : names_) {
    if (Exists(Building(name))) kvbtool_({"remove", "--yes", Building(name)}, true);
  }
}

}  // namespace sample
