// Which record locks of a keyed file are held, and by whom, for kvbtool
// locks.
//
// On a server a record lock is a session advisory lock on a hash of file
// and key (pg_store.h): the server's pg_locks names the session holding
// each, and pg_stat_activity the session's name (connection_name.h: program,
// desk, work folder), process, address and times. The hash is matched
// against the keys of the file's records, so a lock on a key without a
// record (or another file's) is counted, not named.
//
// In a folder a record lock is a lock on one byte of the file's lock file
// (record_lock.h). The system tells which bytes are locked, and so which
// keys, but not by whom (such a lock belongs to an open file, not to a
// process): the processes that have the lock file open are the candidates,
// as far as this user may see them.
#ifndef KVB_SRC_LOCK_LISTING_H_
#define KVB_SRC_LOCK_LISTING_H_

#include <cstdint>
#include <string>
#include <vector>

#include "store_cache.h"

namespace kvb {

struct HeldLock {
  std::string key;  // the record's key, trailing blanks removed
  // On a server: who holds it. Empty in a folder.
  std::string holder;       // the session's application_name
  std::string pid;          // of the server process of the session
  std::string client;       // the desk's address ("local" for a Unix socket)
  std::string connected;    // when the session began
  std::string last_active;  // when it last began or ended a statement
};

// A process that has a folder's lock file open.
struct LockFileUser {
  long pid = 0;
  std::string program;
  std::string folder;  // its current directory
};

struct LockListing {
  bool on_server = false;
  std::string where;                // the lock file, or "NAME in the database DB"
  std::vector<HeldLock> locks;      // by key
  long other_locks = 0;             // server: record locks of no key of the file
  std::vector<LockFileUser> users;  // folder: who may hold them
};

// The record locks held on the keyed file at host_path (named_drive: as
// KeyedFile::Open takes it).
int16_t ListRecordLocks(StoreCache& stores, const std::string& host_path, LockListing* listing,
                        char named_drive = '\0');

}  // namespace kvb

#endif  // KVB_SRC_LOCK_LISTING_H_
