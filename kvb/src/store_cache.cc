#include "store_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include "pg_store.h"
#include "sqlite_store.h"
#include "status.h"

namespace kvb {

int16_t StoreCache::Get(const std::string& folder, bool create,
                        std::shared_ptr<RecordStore>* store) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kMissingFile;
  const auto id = std::make_pair(st.st_dev, st.st_ino);
  auto it = stores_.find(id);
  if (it != stores_.end() && it->second.pid == getpid()) {
    if (std::shared_ptr<RecordStore> open = it->second.store.lock()) {
      *store = std::move(open);
      return kNone;
    }
  }
  std::unique_ptr<RecordStore> opened;
  if (int16_t code = OpenSqliteStore(folder, create, &opened); code != kNone) return code;
  *store = WrapForFaultTests(std::move(opened));
  stores_[id] = Entry{getpid(), *store};
  return kNone;
}

int16_t StoreCache::GetServer(const std::string& conninfo, std::shared_ptr<RecordStore>* store) {
  auto it = servers_.find(conninfo);
  if (it != servers_.end() && it->second.pid == getpid()) {
    if (std::shared_ptr<RecordStore> open = it->second.store.lock()) {
      *store = std::move(open);
      return kNone;
    }
  }
  std::unique_ptr<RecordStore> opened;
  if (int16_t code = OpenPgStore(conninfo, &opened); code != kNone) return code;
  *store = WrapForFaultTests(std::move(opened));
  servers_[conninfo] = Entry{getpid(), *store};
  return kNone;
}

}  // namespace kvb
