#include "read_ahead.h"

#include <algorithm>

namespace kvb {

void ReadAhead::Name(std::string_view file, std::string_view key) {
  Key named{std::string(file), std::string(key)};
  if (fetched_.count(named) != 0 ||
      std::find(named_.begin(), named_.end(), named) != named_.end()) {
    return;
  }
  named_.push_back(std::move(named));
}

std::vector<ReadAhead::Key> ReadAhead::TakeNamed(const Key& except) {
  std::vector<Key> taken;
  for (Key& key : named_) {
    if (!(key == except)) taken.push_back(std::move(key));
  }
  named_.clear();
  return taken;
}

void ReadAhead::Keep(Key key, std::optional<std::string> record) {
  fetched_[std::move(key)] = std::move(record);
}

bool ReadAhead::Take(const Key& key, std::optional<std::string>* record) {
  auto found = fetched_.find(key);
  if (found == fetched_.end()) return false;
  *record = std::move(found->second);
  fetched_.erase(found);
  return true;
}

void ReadAhead::Forget(const Key& key) { fetched_.erase(key); }

void ReadAhead::Clear() {
  named_.clear();
  fetched_.clear();
}

}  // namespace kvb
