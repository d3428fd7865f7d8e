#include "pg_store.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "cause.h"
#include "connection_name.h"
#include "pg_call.h"
#include "pg_pipeline.h"
#include "read_ahead.h"
#include "status.h"

namespace kvb {
namespace {

constexpr char kFormat[] = "kvb keyed record store 1";
// The transaction lock that serialises the making of the catalogue.
constexpr char kCatalogueLock[] = "SELECT pg_advisory_xact_lock(5355808830451892564)";
constexpr char kCatalogueExists[] =
    "SELECT to_regclass('kvb_meta') IS NOT NULL AND to_regclass('kvb_files') IS NOT NULL"
    " AND to_regclass('kvb_records') IS NOT NULL";
constexpr char kMakeCatalogue[] =
    "CREATE TABLE IF NOT EXISTS kvb_meta(name text PRIMARY KEY, value text NOT NULL);"
    "CREATE TABLE IF NOT EXISTS kvb_files(id serial PRIMARY KEY, name text UNIQUE NOT NULL,"
    " layout text NOT NULL);"
    "CREATE TABLE IF NOT EXISTS kvb_records(file integer NOT NULL, key bytea NOT NULL,"
    " data bytea NOT NULL, PRIMARY KEY(file, key));"
    "INSERT INTO kvb_meta VALUES('format', 'kvb keyed record store 1') ON CONFLICT DO NOTHING";
// Session settings: lock waits end after 5 seconds (kBusy, as a busy SQLite
// store), and the server probes an idle workstation after 10 seconds, every
// 5 seconds, 3 times (and gives up on unacknowledged data after 25 seconds),
// so it ends the session of a workstation that lost power, and with it its
// locks and transaction, within about half a minute. A session that sits in
// an open transaction longer than twice the workstation's own wait for the
// server has been given up by the workstation (a connection that hangs
// without breaking): the server ends it too, so its locks go.
std::string SessionSettings() {
  const long idle_seconds =
      2 * std::chrono::duration_cast<std::chrono::seconds>(ServerWait()).count();
  return "SET synchronous_commit = on; SET lock_timeout = '5s';"
         "SET tcp_keepalives_idle = 10; SET tcp_keepalives_interval = 5;"
         "SET tcp_keepalives_count = 3; SET tcp_user_timeout = 25000;"
         "SET idle_in_transaction_session_timeout = '" +
         std::to_string(idle_seconds) + "s'";
}

// Owns a PGresult.
class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  ~Result() { PQclear(result_); }
  PGresult* get() const { return result_; }
  // Hands the result over to the caller, who then clears it.
  PGresult* release() {
    PGresult* result = result_;
    result_ = nullptr;
    return result;
  }
  bool HasRow() const { return PQntuples(result_) > 0; }
  std::string_view Value(int row, int column) const {
    return std::string_view(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
  }

 private:
  PGresult* result_;
};

void IgnoreNotice(void*, const char*) {}

class PgStore;

class PgTable : public RecordTable {
 public:
  PgTable(PgStore* store, std::string id, std::string layout)
      : store_(store), id_(std::move(id)), layout_(std::move(layout)) {}
  int16_t ReadLayout(std::string* canonical) override {
    *canonical = layout_;
    return kNone;
  }
  int16_t Get(std::string_view key, std::string* record) override;
  int16_t Put(std::string_view key, std::string_view record) override;
  int16_t Delete(std::string_view key) override;
  int16_t Scan(const std::function<bool(std::string_view)>& visit) override;
  bool Prefetch(std::string_view key) override;
  PgStore* store() const { return store_; }
  const std::string& id() const { return id_; }

 private:
  PgStore* store_;
  std::string id_;  // kvb_files.id as text
  std::string layout_;
};

class PgKeyLock : public KeyLock {
 public:
  PgKeyLock(PgStore* store, std::string name) : store_(store), name_(std::move(name)) {}
  ~PgKeyLock() override { Release(); }
  int16_t Lock(std::string_view key) override;
  void Release() override;
  bool holds(std::string_view key) const override { return held_ && held_key_ == key; }

 private:
  PgStore* store_;
  std::string name_;
  bool held_ = false;
  std::string held_key_;
  int64_t held_id_ = 0;
};

class PgStore : public TransactionalStore {
 public:
  explicit PgStore(PGconn* conn)
      : TransactionalStore(true),
        conn_(conn),
        pid_(getpid()),
        wait_(ServerWait()),
        pipeline_(conn, wait_) {}
  ~PgStore() override {
    // A child of fork leaves the parent's connection alone: closing it would
    // end the parent's session.
    if (pid_ != getpid()) return;
    Rollback();
    PQfinish(conn_);
  }

  // The secondary code of a result, with the server's or libpq's message as
  // its cause; notes a connection that broke.
  int16_t Check(const PGresult* result) {
    ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK ||
        status == PGRES_SINGLE_TUPLE) {
      return kNone;
    }
    if (status == PGRES_PIPELINE_ABORTED) {
      return WithCause(kIoError, "not run: a command before it in the pipeline failed");
    }
    const char* message = result ? PQresultErrorMessage(result) : "";
    return WithCause(CodeOfFailure(result), *message ? message : PQerrorMessage(conn_));
  }

  // The code of a failed result (nullptr: a call libpq could not make).
  int16_t CodeOfFailure(const PGresult* result) {
    const char* field = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    std::string_view state = field ? field : "";
    // An error without SQLSTATE comes from libpq itself: the connection
    // failed (libpq may still call it open).
    if (PQstatus(conn_) != CONNECTION_OK || state.empty() || state.starts_with("08") ||
        state == "57P01" ||
        state == "57P02" || state == "57P03") {
      return Lose(kConnectionLost);  // the server has rolled back the transaction
    }
    if (state == "53100") return kDiskFull;
    if (state == "55P03" || state == "40P01" || state == "40001" || state == "57014") {
      return kBusy;
    }
    if (state == "42501" || state == "25006") return kWrongDirection;  // not granted to write
    return kIoError;
  }

  int16_t Exec(const char* sql, std::unique_ptr<Result>* out = nullptr) {
    return Call([&] { return PQsendQuery(conn_, sql); }, out);
  }

  // Sends a command with send (a PQsend... call) and waits for its results,
  // each within the server wait. On success *out (when given) takes the
  // result. A wait that runs out leaves the connection unusable.
  template <typename Send>
  int16_t Call(Send send, std::unique_ptr<Result>* out) {
    if (int16_t code = Settle(); code != kNone) return code;
    if (send() == 0) return Check(nullptr);
    PGresult* raw = nullptr;
    switch (AwaitCommand(conn_, wait_, &raw)) {
      case Awaited::kTimedOut: return Lose(kServerTimeout);
      case Awaited::kFailed: return Lose(kConnectionLost);
      default: break;
    }
    auto result = std::make_unique<Result>(raw);
    int16_t code = Check(result->get());
    if (code == kNone && out != nullptr) *out = std::move(result);
    return code;
  }

  // The connection broke or hangs: every later call fails, and the server
  // has rolled back (or will roll back) the transaction.
  int16_t Lose(int16_t code) {
    lost_ = true;
    in_transaction_ = false;
    pipeline_.Drop();
    after_transaction_.clear();
    ahead_.Clear();
    if (code == kServerTimeout) {
      given_up_because_ = "no answer from the record server in time (KVB_SERVER_WAIT) on an "
                          "earlier call, so the connection was given up";
    }
    return code;
  }

  // A call on a connection lost earlier: why it was, when a wait ran out
  // (the call that met it may have been one whose failure nobody reports, a
  // lock released on the way to the next record).
  int16_t Lost() const {
    return given_up_because_.empty() ? kConnectionLost
                                     : WithCause(kConnectionLost, given_up_because_);
  }

  // Sends command without waiting for its answer, which the next exchange
  // takes in; may_fail: its failure fails no call.
  int16_t Post(const PgCommand& command, bool may_fail) {
    if (lost_) return Lost();
    if (!pipeline_.Post(command, may_fail)) {
      return Lose(WithCause(kConnectionLost, PQerrorMessage(conn_)));
    }
    return kNone;
  }

  // Sends commands and waits, in one round trip, for their answers and for
  // those of the commands posted before them. The code is that of the first
  // posted command that failed (its cause says so), else that of the first
  // of the first `checked` commands that failed (the rest release locks).
  // *out (when given) takes the commands' results. A failure inside a
  // transaction has ended the transaction on the server: it is rolled back
  // here at once.
  int16_t Exchange(const std::vector<PgCommand>& commands,
                   std::vector<std::unique_ptr<Result>>* out, size_t checked) {
    if (lost_) return Lost();
    PGresult* earlier_raw = nullptr;
    std::vector<PGresult*> raw;
    const Awaited awaited = pipeline_.Exchange(commands, &earlier_raw, &raw);
    const Result earlier(earlier_raw);
    std::vector<std::unique_ptr<Result>> results;
    for (PGresult* result : raw) results.push_back(std::make_unique<Result>(result));
    if (awaited == Awaited::kTimedOut) return Lose(kServerTimeout);
    if (awaited != Awaited::kResult) return Lose(kConnectionLost);
    int16_t code = kNone;
    if (earlier.get() != nullptr) {
      code = Check(earlier.get());
      code = WithCause(code, "an earlier write of this transaction failed: " + TakeCause(code));
    }
    for (size_t i = 0; i < checked && code == kNone; ++i) code = Check(results[i]->get());
    if (code != kNone && in_transaction_) {
      KeptCause kept;
      Rollback();
    }
    if (out != nullptr) *out = std::move(results);
    return code;
  }

  // Takes in the answers of the commands posted, when there are any: a
  // failure among them is the code.
  int16_t Settle() {
    if (lost_) return Lost();
    return pipeline_.pending() ? Exchange({}, nullptr, 0) : kNone;
  }

  // Records of a file: read (inside a transaction, under the row's lock,
  // from what was fetched ahead or together with what was named to be read
  // ahead), written, removed, and named to be read ahead.
  int16_t ReadRecord(const std::string& file, std::string_view key, std::string* record);
  int16_t WriteRecord(const std::string& file, std::string_view key, std::string_view record);
  int16_t RemoveRecord(const std::string& file, std::string_view key);
  void NameAhead(const std::string& file, std::string_view key) { ahead_.Name(file, key); }

  // Takes and releases a record lock (id: PgLockId). A release inside a
  // transaction goes out with its end: inside a transaction that failed the
  // server would refuse it.
  int16_t TakeLock(int64_t id, bool* taken);
  void ReleaseLock(int64_t id);

  // A one-off statement with text parameters.
  int16_t Query(const char* sql, int count, const char* const* values,
                std::unique_ptr<Result>* out) {
    return Call(
        [&] { return PQsendQueryParams(conn_, sql, count, nullptr, values, nullptr, nullptr, 0); },
        out);
  }

  int16_t OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) override {
    if (int16_t code = Catalogue(); code != kNone) return code;
    const char* values[] = {name.c_str()};
    std::unique_ptr<Result> found;
    if (int16_t code = Query("SELECT id, layout FROM kvb_files WHERE name = $1", 1, values, &found);
        code != kNone) {
      return code;
    }
    if (!found->HasRow()) {
      return WithCause(kMissingFile, "no keyed file " + name + " in the database " + PQdb(conn_));
    }
    *table = std::make_unique<PgTable>(this, std::string(found->Value(0, 0)),
                                       std::string(found->Value(0, 1)));
    return kNone;
  }

  int16_t CreateTable(const std::string& name, const std::string& canonical_layout) override {
    if (lost_) return Lost();
    if (in_transaction_) return kStoreInTransaction;
    int16_t code = Exec("BEGIN");
    if (code == kNone) code = Exec(kCatalogueLock);
    if (code == kNone) {
      std::unique_ptr<Result> exists;
      code = Exec(kCatalogueExists, &exists);
      if (code == kNone && exists->Value(0, 0) != "t") code = Exec(kMakeCatalogue);
    }
    if (code == kNone) code = CheckFormat();
    if (code == kNone) {
      // A file the server has, with or without records, is never replaced.
      const char* values[] = {name.c_str(), canonical_layout.c_str()};
      std::unique_ptr<Result> insert;
      code = Query(
          "INSERT INTO kvb_files(name, layout) VALUES($1, $2) ON CONFLICT (name) DO NOTHING", 2,
          values, &insert);
      if (code == kNone && std::string_view(PQcmdTuples(insert->get())) != "1") {
        code = kFileExists;
      }
    }
    if (code == kNone) code = Exec("COMMIT");
    if (code != kNone && !lost_ && PQtransactionStatus(conn_) != PQTRANS_IDLE) Exec("ROLLBACK");
    return code;
  }

  SqlDialect dialect() const override { return SqlDialect::kPostgres; }
  int16_t RunSql(const std::string& sql, const std::vector<std::string>& params,
                 SqlRows* rows) override {
    std::vector<const char*> values;
    for (const std::string& param : params) values.push_back(param.c_str());
    std::unique_ptr<Result> result;
    if (int16_t code = Query(sql.c_str(), static_cast<int>(values.size()), values.data(), &result);
        code != kNone) {
      return code;
    }
    for (int r = 0; rows != nullptr && r < PQntuples(result->get()); ++r) {
      std::vector<std::string>& row = rows->emplace_back();
      for (int c = 0; c < PQnfields(result->get()); ++c) row.emplace_back(result->Value(r, c));
    }
    return kNone;
  }

  std::unique_ptr<KeyLock> NewKeyLock(const std::string& name) override {
    return std::make_unique<PgKeyLock>(this, name);
  }

  // The BEGIN goes out with the transaction's first read.
  int16_t Begin() override {
    int16_t code = Post(Statement("BEGIN"), false);
    in_transaction_ = code == kNone;
    return code;
  }
  int16_t Commit() override {
    // A connection known to be gone before the COMMIT goes out stored
    // nothing: the server rolls back a transaction whose session ends.
    if (lost_) return Lost();
    if (PQconsumeInput(conn_) == 0 || PQstatus(conn_) != CONNECTION_OK) {
      Lose(kConnectionLost);
      Ended();
      return kConnectionLost;
    }
    // The transaction ends with this round trip, whatever its answer, and
    // the record locks let go during it with it.
    in_transaction_ = false;
    ahead_.Clear();
    std::vector<PgCommand> commands{Statement("COMMIT")};
    for (PgCommand& release : after_transaction_) commands.push_back(std::move(release));
    after_transaction_.clear();
    std::vector<std::unique_ptr<Result>> results;
    int16_t code = Exchange(commands, &results, 1);
    // The COMMIT went out and no answer came back: the server may have
    // stored the transaction or not.
    if (code == kConnectionLost || code == kServerTimeout) code = kCommitUnknown;
    // COMMIT of a transaction that failed answers ROLLBACK.
    if (code == kNone && std::string_view(PQcmdStatus(results[0]->get())) != "COMMIT") {
      code = kIoError;
    }
    if (code == kNone) Committed();
    Ended();
    return code;
  }
  // Sent without waiting: the server undoes the transaction before it takes
  // any later command, and a failure of the ROLLBACK would change nothing.
  void Rollback() override {
    ahead_.Clear();
    if (in_transaction_) {
      in_transaction_ = false;
      Post(Statement("ROLLBACK"), true);
      for (const PgCommand& release : after_transaction_) Post(release, true);
      after_transaction_.clear();
    } else if (!lost_ && !pipeline_.pending() && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
      Exec("ROLLBACK");
    }
    Ended();
  }

  // Every record of the file id in key order, one row at a time, each row
  // within the server wait; every result is read, to the end.
  int16_t Stream(const std::string& id, const std::function<bool(std::string_view)>& visit) {
    if (int16_t code = Settle(); code != kNone) return code;
    NoteRoundTrip();
    const char* values[] = {id.c_str()};
    if (!PQsendQueryPrepared(conn_, "kvb_scan", 1, values, nullptr, nullptr, 1)) {
      return Check(nullptr);
    }
    PQsetSingleRowMode(conn_);
    int16_t code = kNone;
    bool visiting = true;
    for (;;) {
      PGresult* next = nullptr;
      const Awaited awaited = AwaitNextResult(conn_, wait_, &next);
      if (awaited == Awaited::kEnd) return code;
      if (awaited == Awaited::kTimedOut) return Lose(kServerTimeout);
      if (awaited == Awaited::kFailed) return Lose(kConnectionLost);
      Result result(next);
      if (int16_t failure = Check(next); failure != kNone) {
        if (code == kNone) code = failure;
        continue;
      }
      if (visiting && PQresultStatus(next) == PGRES_SINGLE_TUPLE) {
        visiting = visit(result.Value(0, 0));
      }
    }
  }

  // Record locks of this process's opens of the server's files, by lock id:
  // the server's session locks do not tell one open from another.
  std::map<int64_t, const PgKeyLock*>& locks() { return locks_; }
  PGconn* conn() { return conn_; }
  bool lost() const { return lost_; }

 private:
  // kNone once the catalogue is there (and the statements are prepared),
  // kMissingFile while it is not (no file was ever made there), kNotOurs
  // for another format.
  int16_t Catalogue() {
    if (catalogue_) return kNone;
    std::unique_ptr<Result> exists;
    if (int16_t code = Exec(kCatalogueExists, &exists); code != kNone) {
      return code;
    }
    if (exists->Value(0, 0) != "t") {
      return WithCause(kMissingFile, "the database " + std::string(PQdb(conn_)) +
                                         " holds no keyed files (no kvb_files table)");
    }
    if (int16_t code = CheckFormat(); code != kNone) return code;
    // Prepared in one round trip.
    static const char* const kStatements =
        "PREPARE kvb_get(int4, bytea) AS"
        " SELECT data FROM kvb_records WHERE file = $1 AND key = $2;"
        // Inside a transaction a record is read to be written back: its row
        // stays locked against other writers until the transaction ends.
        "PREPARE kvb_get_locked(int4, bytea) AS"
        " SELECT data FROM kvb_records WHERE file = $1 AND key = $2 FOR UPDATE;"
        "PREPARE kvb_delete(int4, bytea) AS DELETE FROM kvb_records WHERE file = $1 AND key = $2;"
        "PREPARE kvb_put(int4, bytea, bytea) AS"
        " INSERT INTO kvb_records(file, key, data) VALUES($1, $2, $3)"
        " ON CONFLICT (file, key) DO UPDATE SET data = EXCLUDED.data;"
        "PREPARE kvb_scan(int4) AS SELECT data FROM kvb_records WHERE file = $1 ORDER BY key;"
        "PREPARE kvb_lock(int8) AS SELECT pg_try_advisory_lock($1);"
        "PREPARE kvb_unlock(int8) AS SELECT pg_advisory_unlock($1)";
    if (int16_t code = Exec(kStatements); code != kNone) return code;
    catalogue_ = true;
    return kNone;
  }

  int16_t CheckFormat() {
    std::unique_ptr<Result> format;
    if (int16_t code = Exec("SELECT value FROM kvb_meta WHERE name = 'format'", &format);
        code != kNone) {
      return code;
    }
    const std::string found = format->HasRow() ? std::string(format->Value(0, 0)) : "";
    if (found == kFormat) return kNone;
    return WithCause(kNotOurs, "the database " + std::string(PQdb(conn_)) + ": " +
                                   ForeignFormat(found, kFormat));
  }

  // A SET inside a transaction would be undone by its rollback; the base
  // keeps a change asked for there until the transaction's end.
  // Every open of a file asks for the durability in force: the session's
  // setting is sent only when it changes (it starts on, SessionSettings).
  int16_t ApplyDurable(bool durable) override {
    if (durable == session_durable_) return kNone;
    const int16_t code =
        Exec(durable ? "SET synchronous_commit = on" : "SET synchronous_commit = off");
    if (code == kNone) session_durable_ = durable;
    return code;
  }
  // Commits made without synchronous_commit may still be only in the server's
  // memory. A commit with synchronous_commit on waits until the log is on
  // disk up to its own commit record, which lies after theirs; a transaction
  // id makes this empty transaction write one.
  int16_t SyncCommitted() override {
    int16_t code =
        Exec("BEGIN; SET LOCAL synchronous_commit = on; SELECT pg_current_xact_id(); COMMIT");
    if (code != kNone && !lost_ && PQtransactionStatus(conn_) != PQTRANS_IDLE) Exec("ROLLBACK");
    return code;
  }

  // A statement without parameters.
  static PgCommand Statement(const char* sql) { return PgCommand{sql, false, {}, 0, 0}; }
  // The read of a record, inside a transaction under the row's lock.
  PgCommand GetCommand(const ReadAhead::Key& key) const {
    return PgCommand{in_transaction_ ? "kvb_get_locked" : "kvb_get", true, {key.file, key.key},
                     0b1, 1};
  }

  PGconn* conn_;
  pid_t pid_;
  std::chrono::milliseconds wait_;
  PgPipeline pipeline_;
  bool lost_ = false;
  std::string given_up_because_;
  bool catalogue_ = false;
  bool session_durable_ = true;  // synchronous_commit of the session
  std::map<int64_t, const PgKeyLock*> locks_;
  // Releases of record locks asked for inside the transaction.
  std::vector<PgCommand> after_transaction_;
  ReadAhead ahead_;  // of the transaction
};

int16_t PgStore::ReadRecord(const std::string& file, std::string_view key, std::string* record) {
  ReadAhead::Key wanted{file, std::string(key)};
  std::optional<std::string> fetched;
  if (in_transaction_ && ahead_.Take(wanted, &fetched)) {
    if (!fetched) return kNoRecord;
    *record = std::move(*fetched);
    return kNone;
  }
  std::vector<ReadAhead::Key> named;
  if (in_transaction_) named = ahead_.TakeNamed(wanted);
  std::vector<PgCommand> commands{GetCommand(wanted)};
  for (const ReadAhead::Key& ahead : named) commands.push_back(GetCommand(ahead));
  std::vector<std::unique_ptr<Result>> results;
  if (int16_t code = Exchange(commands, &results, commands.size()); code != kNone) return code;
  for (size_t i = 0; i < named.size(); ++i) {
    const Result& ahead = *results[i + 1];
    ahead_.Keep(std::move(named[i]), ahead.HasRow()
                                         ? std::optional<std::string>(ahead.Value(0, 0))
                                         : std::nullopt);
  }
  if (!results[0]->HasRow()) return kNoRecord;
  record->assign(results[0]->Value(0, 0));
  return kNone;
}

// Inside a transaction a write goes out without waiting: a failure comes
// back with the transaction's next read or its commit.
int16_t PgStore::WriteRecord(const std::string& file, std::string_view key,
                             std::string_view record) {
  ahead_.Forget({file, std::string(key)});
  const PgCommand put{"kvb_put", true, {file, std::string(key), std::string(record)}, 0b1, 0};
  if (in_transaction_) return Post(put, false);
  const int16_t code = Exchange({put}, nullptr, 1);
  if (code == kNone) Committed();
  return code;
}

int16_t PgStore::RemoveRecord(const std::string& file, std::string_view key) {
  ahead_.Forget({file, std::string(key)});
  std::vector<std::unique_ptr<Result>> results;
  if (int16_t code =
          Exchange({PgCommand{"kvb_delete", true, {file, std::string(key)}, 0b1, 0}}, &results, 1);
      code != kNone) {
    return code;
  }
  if (std::string_view(PQcmdTuples(results[0]->get())) == "0") return kNoRecord;
  if (!in_transaction_) Committed();
  return kNone;
}

int16_t PgStore::TakeLock(int64_t id, bool* taken) {
  std::vector<std::unique_ptr<Result>> results;
  if (int16_t code = Exchange({PgCommand{"kvb_lock", true, {std::to_string(id)}, 0b1, 0}},
                              &results, 1);
      code != kNone) {
    return code;
  }
  *taken = results[0]->HasRow() && results[0]->Value(0, 0) == "t";
  return kNone;
}

void PgStore::ReleaseLock(int64_t id) {
  PgCommand release{"kvb_unlock", true, {std::to_string(id)}, 0b1, 0};
  if (in_transaction_) {
    after_transaction_.push_back(std::move(release));
  } else {
    Post(release, true);
  }
}

int16_t PgTable::Get(std::string_view key, std::string* record) {
  return store_->ReadRecord(id_, key, record);
}

int16_t PgTable::Put(std::string_view key, std::string_view record) {
  return store_->WriteRecord(id_, key, record);
}

int16_t PgTable::Delete(std::string_view key) { return store_->RemoveRecord(id_, key); }

bool PgTable::Prefetch(std::string_view key) {
  store_->NameAhead(id_, key);
  return true;
}

int16_t PgTable::Scan(const std::function<bool(std::string_view)>& visit) {
  // One row at a time: a file may be larger than is wise to hold at once.
  return store_->Stream(id_, visit);
}

int16_t PgKeyLock::Lock(std::string_view key) {
  if (holds(key)) return kNone;
  Release();
  const int64_t id = PgLockId(name_, key);
  auto& locks = store_->locks();
  if (auto other = locks.find(id); other != locks.end() && other->second != this) return kLocked;
  bool taken = false;
  if (int16_t code = store_->TakeLock(id, &taken); code != kNone) return code;
  if (!taken) return kLocked;
  locks[id] = this;
  held_ = true;
  held_key_ = key;
  held_id_ = id;
  return kNone;
}

void PgKeyLock::Release() {
  if (!held_) return;
  store_->locks().erase(held_id_);
  store_->ReleaseLock(held_id_);
  held_ = false;
  held_key_.clear();
}

}  // namespace

int64_t PgLockId(std::string_view name, std::string_view key) {
  uint64_t hash = 1469598103934665603ULL;  // FNV-1a over name, a zero, key
  auto add = [&](unsigned char c) {
    hash ^= c;
    hash *= 1099511628211ULL;
  };
  for (unsigned char c : name) add(c);
  add(0);
  for (unsigned char c : key) add(c);
  return static_cast<int64_t>(hash);
}

int16_t OpenPgStore(const std::string& conninfo, std::unique_ptr<RecordStore>* store) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (options == nullptr) {
    const std::string message = error ? error : "";
    PQfreemem(error);
    return WithCause(kBadStoreSetting, message);
  }
  PQconninfoFree(options);
  // The connection is named after the program, the desk and the work folder
  // (connection_name.h).
  const std::string name = ThisConnectionName();
  // Defaults first: the drive's connection string overrides any of them.
  // Keepalives make a workstation notice a server that vanished from the
  // network within about 25 seconds on an idle connection, as
  // tcp_user_timeout does while data waits unacknowledged.
  const char* keys[] = {"connect_timeout",     "keepalives",       "keepalives_idle",
                        "keepalives_interval", "keepalives_count", "tcp_user_timeout",
                        "application_name",    "dbname",           nullptr};
  const char* values[] = {"10",         "1", "10", "5", "3", "25000", name.c_str(),
                          conninfo.c_str(), nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, 1);
  if (conn == nullptr) return WithCause(kIoError, "libpq could not make a connection");
  if (PQstatus(conn) != CONNECTION_OK) {
    const std::string message = PQerrorMessage(conn);
    PQfinish(conn);
    // The server answers a ping whenever it runs and accepts connections, so
    // a refusal after a good ping was the login's.
    PGPing ping = PQpingParams(keys, values, 1);
    if (ping == PQPING_NO_ATTEMPT) return WithCause(kBadStoreSetting, message);
    return WithCause(ping == PQPING_OK ? kLoginRefused : kServerUnreachable, message);
  }
  PQsetNoticeProcessor(conn, IgnoreNotice, nullptr);  // no call prints
  // Commands are sent without waiting, so that every wait is bounded.
  if (PQsetnonblocking(conn, 1) != 0) {
    PQfinish(conn);
    return kIoError;
  }
  auto pg = std::make_unique<PgStore>(conn);
  if (int16_t code = pg->Exec(SessionSettings().c_str()); code != kNone) return code;
  *store = std::move(pg);
  return kNone;
}

bool AccessPgTable(RecordTable& table, PgTableAccess* access) {
  auto* pg = dynamic_cast<PgTable*>(&table);
  if (pg == nullptr) return false;
  PgStore* store = pg->store();
  store->Settle();  // the connection takes ordinary calls, not a pipeline
  access->conn = store->conn();
  access->file_id = pg->id();
  access->check = [store](const PGresult* result) { return store->Check(result); };
  access->call = [store](const std::function<int()>& send, PGresult** result) {
    std::unique_ptr<Result> answer;
    const int16_t code = store->Call(send, &answer);
    if (code == kNone && result != nullptr) *result = answer->release();
    return code;
  };
  access->wait = ServerWait();
  access->lose = [store](int16_t code) { return store->Lose(code); };
  return true;
}

std::string PgSessionSetting(RecordStore& store, const std::string& name) {
  auto* pg = dynamic_cast<PgStore*>(&store);
  if (pg == nullptr) return "";
  const char* values[] = {name.c_str()};
  std::unique_ptr<Result> result;
  return pg->Query("SELECT current_setting($1)", 1, values, &result) == kNone && result->HasRow()
             ? std::string(result->Value(0, 0))
             : "";
}

}  // namespace kvb
