// Storage of keyed record files. A RecordStore is one database (for SQLite,
// the KVBSTORE.DB of a folder): it owns the connection, the durability
// setting and the transaction, and hands out one RecordTable per keyed file:
// fixed-width records by key, plus the layout the file was made with. Every
// call returns kNone or a secondary code.
#ifndef KVB_SRC_RECORD_STORE_H_
#define KVB_SRC_RECORD_STORE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record_lock.h"
#include "status.h"

namespace kvb {

// The records of one keyed file. A table must not outlive its store.
class RecordTable {
 public:
  virtual ~RecordTable() = default;

  // The canonical layout stored when the file was made.
  virtual int16_t ReadLayout(std::string* canonical) = 0;
  // kNone with *record filled, kNoRecord, or an error.
  virtual int16_t Get(std::string_view key, std::string* record) = 0;
  // Inserts or replaces: its own transaction, or part of the store's open one.
  virtual int16_t Put(std::string_view key, std::string_view record) = 0;
  // Removes the record under key (kNoRecord when there is none), as Put does.
  virtual int16_t Delete(std::string_view key) = 0;
  // Every record in key order; stops early when visit returns false.
  virtual int16_t Scan(const std::function<bool(std::string_view record)>& visit) = 0;
  // Notes that key (normalized) will be read later in the store's open
  // transaction, so that a store whose reads are round trips to a server
  // fetches it with the transaction's next read. Changes no result. False
  // for a store that reads nothing ahead (the default).
  virtual bool Prefetch(std::string_view /*key*/) { return false; }
};

// What RunSql gives back: the rows of a query, each value as text.
using SqlRows = std::vector<std::vector<std::string>>;

// The SQL a store's database speaks.
enum class SqlDialect { kNone, kSqlite, kPostgres };

class RecordStore {
 public:
  virtual ~RecordStore() = default;

  // The table of a keyed file (name: the upper-cased file name): kNone, or
  // kNoStoreTable when the store holds no such file.
  virtual int16_t OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) = 0;
  // Makes an empty table with its layout. A store whose files have a .DAT
  // stub in their folder replaces an empty table of that name (one left by a
  // create that died before its .DAT appeared) and refuses one that holds
  // records (kTableHasRecords); a store without stubs refuses any table of
  // that name (kFileExists). No table that holds records is ever dropped.
  virtual int16_t CreateTable(const std::string& name, const std::string& canonical_layout) = 0;

  // The record lock for one open of the table name, when the store keeps
  // record locks itself; nullptr when locks are files beside the .DAT.
  virtual std::unique_ptr<KeyLock> NewKeyLock(const std::string& /*name*/) { return nullptr; }

  // Begin starts a transaction (waiting for other writers as long as a busy
  // store is waited for); every Put of every table of the store until Commit
  // belongs to it, and Commit stores them all at once (one sync when
  // durable). Rollback undoes them. A failed Put or Commit may have undone
  // the transaction already; in_transaction() tells.
  virtual int16_t Begin() = 0;
  virtual int16_t Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool in_transaction() const = 0;

  // The library's own administration of its files (views, removing and
  // renaming files, listing record locks) speaks SQL to the store's
  // database; records never go this way. RunSql runs one statement with
  // text parameters (?1.. in SQLite, $1.. in PostgreSQL) on the store's
  // connection: kNone with the rows of its result (rows may be null), or a
  // secondary code with its cause. A store without SQL answers kNone to
  // dialect() and kNotOurs to RunSql.
  virtual SqlDialect dialect() const { return SqlDialect::kNone; }
  virtual int16_t RunSql(const std::string& /*sql*/, const std::vector<std::string>& /*params*/,
                         SqlRows* /*rows*/) {
    return kNotOurs;
  }

  // durable: every commit is on disk when it returns.
  virtual int16_t SetDurable(bool durable) = 0;
  // Makes every commit done while not durable durable now (outside a
  // transaction; inside one it does nothing).
  virtual int16_t Sync() = 0;
};

// What both stores keep of their transaction and durability. Neither SQLite
// nor PostgreSQL lets the durability change inside a transaction, so a change
// asked for there waits for the transaction's end; commits made while not
// durable are remembered until Sync makes them durable.
class TransactionalStore : public RecordStore {
 public:
  bool in_transaction() const override { return in_transaction_; }
  int16_t SetDurable(bool durable) override {
    if (in_transaction_) {
      pending_durable_ = durable;
      return kNone;
    }
    int16_t code = ApplyDurable(durable);
    if (code == kNone) durable_ = durable;
    return code;
  }
  int16_t Sync() override {
    if (!unsynced_ || in_transaction_) return kNone;
    int16_t code = SyncCommitted();
    if (code == kNone) unsynced_ = false;
    return code;
  }

 protected:
  explicit TransactionalStore(bool durable) : durable_(durable) {}
  // Sets the store's own durability; kNone or a secondary code.
  virtual int16_t ApplyDurable(bool durable) = 0;
  // Makes the commits done while not durable durable.
  virtual int16_t SyncCommitted() = 0;

  // A commit went through.
  void Committed() {
    if (!durable_) unsynced_ = true;
  }
  // The transaction is over: a durability change asked for during it applies
  // now; switched on, it makes the commits done before durable as well.
  void Ended() {
    in_transaction_ = false;
    if (!pending_durable_) return;
    bool durable = *pending_durable_;
    pending_durable_.reset();
    if (SetDurable(durable) == kNone && durable) Sync();
  }

  bool in_transaction_ = false;

 private:
  bool durable_;
  bool unsynced_ = false;
  std::optional<bool> pending_durable_;
};

// Forwards every call to another store (the base of test wrappers).
class RecordStoreWrapper : public RecordStore {
 public:
  explicit RecordStoreWrapper(std::unique_ptr<RecordStore> target) : target_(std::move(target)) {}
  int16_t OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) override {
    return target_->OpenTable(name, table);
  }
  int16_t CreateTable(const std::string& name, const std::string& canonical_layout) override {
    return target_->CreateTable(name, canonical_layout);
  }
  std::unique_ptr<KeyLock> NewKeyLock(const std::string& name) override {
    return target_->NewKeyLock(name);
  }
  int16_t Begin() override { return target_->Begin(); }
  int16_t Commit() override { return target_->Commit(); }
  void Rollback() override { target_->Rollback(); }
  bool in_transaction() const override { return target_->in_transaction(); }
  int16_t SetDurable(bool durable) override { return target_->SetDurable(durable); }
  int16_t Sync() override { return target_->Sync(); }
  SqlDialect dialect() const override { return target_->dialect(); }
  int16_t RunSql(const std::string& sql, const std::vector<std::string>& params,
                 SqlRows* rows) override {
    return target_->RunSql(sql, params, rows);
  }

 private:
  std::unique_ptr<RecordStore> target_;
};

// A store whose tables ask before every record read and write whether to
// fail it, and which asks the same before Commit and Sync. Counting a write
// means counting a Put, a Delete, a Commit or a Sync: a transaction of n Puts
// is n + 1 writes, a Put outside a transaction one.
class CheckedStore : public RecordStoreWrapper {
 public:
  using RecordStoreWrapper::RecordStoreWrapper;
  int16_t OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) override;
  int16_t Commit() override;
  int16_t Sync() override;

  // kNone to go ahead, or the failure to report instead.
  virtual int16_t BeforeRead() = 0;
  virtual int16_t BeforeWrite() = 0;
};

// Fails writes on a switch: while failing_ is set, or at the n-th write
// counted from construction, the call returns kIoError without reaching the
// real store, or, in kill mode, the process dies on the spot (SIGKILL) as in
// a power cut or crash. While failing_ is set, record reads fail too.
class FaultInjectingStore : public CheckedStore {
 public:
  using CheckedStore::CheckedStore;

  void SetFailing(bool failing) { failing_ = failing; }
  void FailAtWrite(long n, bool kill) {
    fail_at_ = n;
    kill_ = kill;
  }
  long writes() const { return writes_; }

  int16_t BeforeRead() override;
  int16_t BeforeWrite() override;

 private:
  bool failing_ = false;
  bool kill_ = false;
  long fail_at_ = 0;
  long writes_ = 0;
};

// Wraps store in a fault-injecting store when the environment asks for it:
// KVB_FAULT_AT=n fails the n-th write of the process (counting across all
// stores), KVB_FAULT_READ_AT=n the n-th record read; KVB_FAULT_KILL=1 kills
// the process there instead. The failure is an input/output error (22), or
// disk full with KVB_FAULT_CODE=23. For crash and fault tests only; unset,
// the store is returned as it is. A library built with KVB_NO_FAULT_SWITCHES
// (the installed one) reads no switch and always returns the store as it is.
std::unique_ptr<RecordStore> WrapForFaultTests(std::unique_ptr<RecordStore> store);

}  // namespace kvb

#endif  // KVB_SRC_RECORD_STORE_H_
