// Many records into one keyed file on a PostgreSQL server at once, for
// kvbtool load: records go in batches, each batch two statements (a look at
// the record locks of its keys, then a COPY of new records or one INSERT ...
// ON CONFLICT that merges the stored records on the server and adds the new
// ones), instead of a read and a write a record. Runs inside the store's open transaction; the caller
// commits or rolls back.
//
// A stored record is merged in the statement that writes it: the server
// locks its row and takes the newest committed version, so a record another
// program changed meanwhile is never written back stale. A record whose lock
// (KVBrlock, a session advisory lock on PgLockId) another session holds is
// waited for, up to a bound, and then refused: nothing of its batch is
// written.
#ifndef KVB_SRC_PG_BULK_H_
#define KVB_SRC_PG_BULK_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pg_store.h"
#include "record_store.h"

namespace kvb {

// Bytes of a record: offset from 0, width.
struct ByteRange {
  int offset;
  int width;
};

class PgBulkLoad {
 public:
  // A bulk load into table when it is a PostgreSQL store's, else nullptr (a
  // folder's store, or a table wrapped for fault tests: load it a record at a
  // time). lock_name: the file's name on the server, under which its record
  // locks are taken. merged: the parts of a stored record the load sets (the
  // rest stays as stored); empty: stored records are replaced whole.
  static std::unique_ptr<PgBulkLoad> ForTable(RecordTable& table, std::string lock_name,
                                              std::vector<ByteRange> merged);

  // How long a held record lock is waited for before the load fails.
  void set_lock_wait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

  // Adds a record (key padded to its field). A key added again within the
  // batch replaces its record there; across batches the server merges it.
  // May send the batch: kNone, kLocked (locked_key() says which), or the
  // store's code.
  int16_t Add(std::string_view key, std::string_view record);
  // Sends what is left.
  int16_t Finish();

  long added() const { return added_; }
  long replaced() const { return replaced_; }
  const std::string& locked_key() const { return locked_key_; }

 private:
  PgBulkLoad(PgTableAccess access, std::string lock_name, std::vector<ByteRange> merged);
  int16_t Send();
  // kNone once no other session holds the lock of a key of the batch
  // (waiting up to lock_wait_), else kLocked or the store's code.
  int16_t WaitForLocks();
  // The batch's first key (its index) whose lock another session holds, or -1.
  int16_t HeldKey(long* index);
  int16_t Upsert();
  // Writes the batch by statement; *added: the records it added.
  int16_t Write(long* added);
  int16_t Exec(const char* sql);
  int16_t Copy(std::string* state);

  PgTableAccess access_;
  std::string lock_name_;
  std::string upsert_sql_;
  std::chrono::milliseconds lock_wait_{3000};
  std::vector<std::string> keys_, records_;
  std::vector<int64_t> lock_ids_;
  std::unordered_map<std::string, size_t> batch_index_;
  long batch_rows_ = 0;
  bool copying_ = true;  // no batch has met a stored record yet
  long added_ = 0, replaced_ = 0;
  std::string locked_key_;
};

}  // namespace kvb

#endif  // KVB_SRC_PG_BULK_H_
