// A transaction of the library's administration of a store (views, removing
// and renaming files), run through RecordStore::RunSql so that it stays
// apart from the transactions of records: BEGIN IMMEDIATE in SQLite (waiting
// for another writer as a write does), BEGIN in PostgreSQL. Rolled back
// unless committed; the rollback keeps the cause of the failure that led to
// it.
#ifndef KVB_SRC_SQL_TRANSACTION_H_
#define KVB_SRC_SQL_TRANSACTION_H_

#include <cstdint>

#include "cause.h"
#include "record_store.h"
#include "status.h"

namespace kvb {

class SqlTransaction {
 public:
  explicit SqlTransaction(RecordStore& store) : store_(store) {}
  ~SqlTransaction() {
    if (!open_) return;
    KeptCause kept;
    store_.RunSql("ROLLBACK", {}, nullptr);
  }
  SqlTransaction(const SqlTransaction&) = delete;
  SqlTransaction& operator=(const SqlTransaction&) = delete;

  // kNone, kStoreInTransaction while the store's records are in a
  // transaction, or the store's failure.
  int16_t Begin() {
    if (store_.in_transaction()) {
      return WithCause(kStoreInTransaction, "a transaction of records is open on the store");
    }
    const int16_t code = store_.RunSql(
        store_.dialect() == SqlDialect::kSqlite ? "BEGIN IMMEDIATE" : "BEGIN", {}, nullptr);
    open_ = code == kNone;
    return code;
  }
  int16_t Commit() {
    const int16_t code = store_.RunSql("COMMIT", {}, nullptr);
    open_ = code != kNone;  // a failed COMMIT is rolled back on destruction
    return code;
  }

 private:
  RecordStore& store_;
  bool open_ = false;
};

}  // namespace kvb

#endif  // KVB_SRC_SQL_TRANSACTION_H_
