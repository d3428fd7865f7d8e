// The open stores of a process, one per folder or server. Every keyed file open in a
// folder uses the folder's one store (one database connection), so the
// process sees its own uncommitted writes in all of them and a transaction
// spans them all. A store closes when the last file using it lets it go.
#ifndef KVB_SRC_STORE_CACHE_H_
#define KVB_SRC_STORE_CACHE_H_

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "record_store.h"

namespace kvb {

class StoreCache {
 public:
  // The store of folder, opened (and wrapped for the fault switches) when
  // this process has none open; with create, KVBSTORE.DB is made when the
  // folder has none. Returns kNone or a code of OpenSqliteStore.
  int16_t Get(const std::string& folder, bool create, std::shared_ptr<RecordStore>* store);
  // The store on the PostgreSQL server of conninfo (one connection per
  // process and connection string), connected when this process has none.
  // Returns kNone or a code of OpenPgStore.
  int16_t GetServer(const std::string& conninfo, std::shared_ptr<RecordStore>* store);

 private:
  struct Entry {
    pid_t pid;  // a child of fork opens its own connection
    std::weak_ptr<RecordStore> store;
  };
  std::map<std::pair<dev_t, ino_t>, Entry> stores_;  // by the folder's identity
  std::map<std::string, Entry> servers_;              // by connection string
};

}  // namespace kvb

#endif  // KVB_SRC_STORE_CACHE_H_
