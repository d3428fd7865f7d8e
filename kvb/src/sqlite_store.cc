#include "sqlite_store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "status.h"

namespace kvb {
namespace {

constexpr char kFormat[] = "kvb keyed record file 1";
constexpr int kApplicationId = 0x4B564231;  // "KVB1"
constexpr int kBusyMilliseconds = 5000;

int16_t CodeOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
      return kNone;
    case SQLITE_FULL:
      return kDiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kBusy;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return kNotOurs;
    case SQLITE_CANTOPEN:
      return kMissingFile;
    default:
      return kIoError;
  }
}

class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }
  int Prepare(sqlite3* db, const char* sql) {
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  }
  sqlite3_stmt* get() { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteStore : public RecordStore {
 public:
  explicit SqliteStore(sqlite3* db) : db_(db) {}
  // close_v2 defers the close until the member statements are finalized.
  ~SqliteStore() override { sqlite3_close_v2(db_); }

  int16_t Prepare() {
    if (get_.Prepare(db_, "SELECT data FROM records WHERE key = ?1") != SQLITE_OK ||
        put_.Prepare(db_, "INSERT OR REPLACE INTO records(key, data) VALUES(?1, ?2)") !=
            SQLITE_OK) {
      return kNotOurs;
    }
    return kNone;
  }

  int16_t ReadLayout(std::string* canonical) override {
    Statement query;
    if (query.Prepare(db_, "SELECT name, value FROM kvb_meta") != SQLITE_OK) return kNotOurs;
    bool ours = false;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW) {
      std::string name = Text(query.get(), 0);
      if (name == "format") ours = Text(query.get(), 1) == kFormat;
      if (name == "layout") *canonical = Text(query.get(), 1);
    }
    if (rc != SQLITE_DONE) return CodeOf(rc);
    return ours ? kNone : kNotOurs;
  }

  int16_t Get(std::string_view key, std::string* record) override {
    sqlite3_stmt* stmt = get_.get();
    sqlite3_bind_blob(stmt, 1, key.data(), key.size(), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    int16_t code = CodeOf(rc);
    if (rc == SQLITE_ROW) {
      record->assign(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                     sqlite3_column_bytes(stmt, 0));
    } else if (rc == SQLITE_DONE) {
      code = kNoRecord;
    }
    sqlite3_reset(stmt);
    return code;
  }

  int16_t Put(std::string_view key, std::string_view record) override {
    sqlite3_stmt* stmt = put_.get();
    sqlite3_bind_blob(stmt, 1, key.data(), key.size(), SQLITE_STATIC);
    sqlite3_bind_blob(stmt, 2, record.data(), record.size(), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return CodeOf(rc);
  }

  int16_t Scan(const std::function<bool(std::string_view)>& visit) override {
    Statement query;
    int rc = query.Prepare(db_, "SELECT data FROM records ORDER BY key");
    if (rc != SQLITE_OK) return CodeOf(rc);
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW) {
      std::string_view data(static_cast<const char*>(sqlite3_column_blob(query.get(), 0)),
                            sqlite3_column_bytes(query.get(), 0));
      if (!visit(data)) return kNone;
    }
    return CodeOf(rc);
  }

  int16_t Begin() override { return Exec("BEGIN IMMEDIATE"); }
  int16_t Commit() override { return Exec("COMMIT"); }
  void Rollback() override {
    if (!sqlite3_get_autocommit(db_)) Exec("ROLLBACK");
  }
  int16_t SetDurable(bool durable) override {
    return Exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
  }
  int16_t Sync() override {
    Statement checkpoint;
    int rc = checkpoint.Prepare(db_, "PRAGMA wal_checkpoint(FULL)");
    if (rc != SQLITE_OK) return CodeOf(rc);
    rc = sqlite3_step(checkpoint.get());
    if (rc == SQLITE_ROW && sqlite3_column_int(checkpoint.get(), 0) != 0) return kBusy;
    return CodeOf(rc);
  }

  int16_t Exec(const char* sql) {
    return CodeOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr));
  }

 private:
  static std::string Text(sqlite3_stmt* stmt, int column) {
    const unsigned char* text = sqlite3_column_text(stmt, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }

  sqlite3* db_;
  Statement get_;
  Statement put_;
};

int16_t OpenDatabase(const std::string& host_path, int flags, sqlite3** db) {
  int rc = sqlite3_open_v2(host_path.c_str(), db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(*db);
    *db = nullptr;
    return CodeOf(rc);
  }
  sqlite3_busy_timeout(*db, kBusyMilliseconds);
  return kNone;
}

}  // namespace

int16_t OpenSqliteStore(const std::string& host_path, bool read_only,
                        std::unique_ptr<RecordStore>* store) {
  struct stat st;
  if (stat(host_path.c_str(), &st) != 0) return kMissingFile;
  if (!S_ISREG(st.st_mode)) return kNotOurs;
  sqlite3* db = nullptr;
  int flags = read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
  if (int16_t code = OpenDatabase(host_path, flags, &db); code != kNone) return code;
  auto sqlite = std::make_unique<SqliteStore>(db);
  std::string layout;
  int16_t code = sqlite->ReadLayout(&layout);
  if (code == kNone && !read_only) code = sqlite->Exec("PRAGMA journal_mode=WAL");
  if (code == kNone) code = sqlite->SetDurable(true);
  if (code == kNone) code = sqlite->Prepare();
  if (code != kNone) return code;
  *store = std::move(sqlite);
  return kNone;
}

int16_t CreateSqliteStore(const std::string& host_path, const std::string& canonical_layout) {
  struct stat st;
  if (stat(host_path.c_str(), &st) == 0) return kFileExists;
  sqlite3* db = nullptr;
  if (int16_t code = OpenDatabase(host_path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db);
      code != kNone) {
    return code == kMissingFile ? kMissingFile : code;
  }
  SqliteStore store(db);
  std::string sql = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                    ";"
                    "PRAGMA journal_mode=WAL;"
                    "PRAGMA synchronous=FULL;"
                    "BEGIN;"
                    "CREATE TABLE kvb_meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
                    "CREATE TABLE records(key BLOB PRIMARY KEY, data BLOB NOT NULL) WITHOUT ROWID;"
                    "INSERT INTO kvb_meta VALUES('format', '" +
                    std::string(kFormat) + "');";
  int16_t code = store.Exec(sql.c_str());
  if (code == kNone) {
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO kvb_meta VALUES('layout', ?1)", -1, &insert, nullptr);
    sqlite3_bind_text(insert, 1, canonical_layout.data(), canonical_layout.size(), SQLITE_STATIC);
    code = CodeOf(sqlite3_step(insert));
    sqlite3_finalize(insert);
  }
  if (code == kNone) code = store.Exec("COMMIT");
  if (code != kNone) {
    store.Rollback();
    unlink(host_path.c_str());
  }
  return code;
}

}  // namespace kvb
