// The keyed record file on disk: one SQLite database per .DAT, in WAL mode.
//
//   kvb_meta(name PRIMARY KEY, value)   format marker and canonical layout
//   records(key PRIMARY KEY, data)      fixed-width records, keys padded
//
// Durable mode runs with synchronous=FULL, so every committed Put is on disk
// when it returns; otherwise synchronous=NORMAL, and Sync (a full checkpoint)
// makes the log durable. A busy database is waited for up to five seconds.
#ifndef KVB_SRC_SQLITE_STORE_H_
#define KVB_SRC_SQLITE_STORE_H_

#include <memory>
#include <string>

#include "record_store.h"

namespace kvb {

// Opens an existing store. read_only opens without write access. Returns
// kNone, kMissingFile, kNotOurs or kIoError.
int16_t OpenSqliteStore(const std::string& host_path, bool read_only,
                        std::unique_ptr<RecordStore>* store);

// Creates an empty store for a layout; refuses (kFileExists) to touch an
// existing file.
int16_t CreateSqliteStore(const std::string& host_path, const std::string& canonical_layout);

}  // namespace kvb

#endif  // KVB_SRC_SQLITE_STORE_H_
