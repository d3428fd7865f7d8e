// The keyed record files of a folder in one SQLite database, KVBSTORE.DB, in
// WAL mode:
//
//   kvb_meta(name PRIMARY KEY, value)     format marker
//   kvb_files(name PRIMARY KEY, layout)   each keyed file's canonical layout
//   "KVIN.DAT"(key PRIMARY KEY, data)     a keyed file's fixed-width records
//
// All files of the folder commit together, so a transaction across them is
// one commit and one sync of the log. Durable mode runs with
// synchronous=FULL, so every commit is on disk when it returns; otherwise
// synchronous=NORMAL, and Sync (a full checkpoint) makes the log durable. A
// busy database is waited for up to five seconds.
#ifndef KVB_SRC_SQLITE_STORE_H_
#define KVB_SRC_SQLITE_STORE_H_

#include <memory>
#include <string>

#include "record_store.h"

namespace kvb {

// The store's file name inside its folder.
inline constexpr char kStoreFileName[] = "KVBSTORE.DB";

// Opens the store of a folder; with create, makes KVBSTORE.DB when the
// folder has none. Returns kNone, kNoStoreTable (no store and no create),
// kMissingFile (no folder), kNetworkFilesystem, kNotOurs or kIoError.
int16_t OpenSqliteStore(const std::string& folder, bool create,
                        std::unique_ptr<RecordStore>* store);

// True for the filesystem types (statfs f_type) of network and cluster
// filesystems (NFS, SMB/CIFS, AFS, Ceph, ...). SQLite's locks and the shared
// memory of its WAL mode do not work across the computers sharing them, so
// a store there is refused: several workstations use a PostgreSQL server.
bool IsNetworkFilesystem(long type);

// True when the file at host_path starts as an SQLite database does.
bool IsSqliteDatabase(const std::string& host_path);

}  // namespace kvb

#endif  // KVB_SRC_SQLITE_STORE_H_
