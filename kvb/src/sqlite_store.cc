#include "sqlite_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "cause.h"
#include "new_file_mode.h"
#include "path.h"
#include "sqlite_vfs.h"
#include "status.h"

namespace kvb {
namespace {

constexpr char kFormat[] = "kvb keyed record store 1";
constexpr int kApplicationId = 0x4B564232;  // "KVB2"
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
      return kDamagedStore;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kPermissionDenied;
    case SQLITE_CANTOPEN:
      return kMissingFile;
    default:
      return kIoError;
  }
}

// What of a store at path this user may not write, in the system's words:
// the file, or its folder (where SQLite makes the store and its -wal and
// -shm files); "" when both may be written.
std::string Unwritable(const std::string& path) {
  if (access(path.c_str(), F_OK) == 0 && access(path.c_str(), W_OK) != 0) {
    return path + ": " + std::strerror(errno);
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  if (access(folder.c_str(), W_OK) != 0) {
    return "the folder " + folder + ": " + std::strerror(errno);
  }
  return "";
}

// The code of rc; for a failure, notes SQLite's words for it with the
// store's path (that of db, unless given), the system's words for a failed
// open or input/output, and what this user may not write when SQLite could
// not open or write the store.
int16_t CodeOf(int rc, sqlite3* db, std::string path = "") {
  const int16_t code = CodeOf(rc);
  if (code == kNone || db == nullptr) return code;
  if (const char* name = sqlite3_db_filename(db, "main"); path.empty() && name != nullptr) {
    path = name;
  }
  std::string cause = (path.empty() ? kStoreFileName : path) + ": " + sqlite3_errmsg(db);
  const int primary = rc & 0xFF;
  const int system_error = sqlite3_system_errno(db);
  std::string denied;
  if (primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM) {
    denied = Unwritable(path);
  }
  if (!denied.empty()) {
    cause += " (not writable by this user: " + denied + ")";
  } else if ((primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR) && system_error != 0) {
    cause += std::string(": ") + std::strerror(system_error);
  }
  return WithCause(denied.empty() ? code : kPermissionDenied, cause);
}

class Statement {
 public:
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(stmt_); }
  int Prepare(sqlite3* db, const std::string& sql) {
    return sqlite3_prepare_v3(db, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  }
  sqlite3_stmt* get() { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string Text(sqlite3_stmt* stmt, int column) {
  const unsigned char* text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// name as a quoted SQL identifier.
std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// False for names SQLite reserves or the catalogue uses (compared, as SQLite
// compares names, without regard to case).
bool UsableName(const std::string& name) {
  auto is = [&](const char* other) {
    return sqlite3_strnicmp(name.c_str(), other, std::strlen(other)) == 0;
  };
  return !name.empty() && !is("sqlite_") && !(is("kvb_meta") && name.size() == 8) &&
         !(is("kvb_files") && name.size() == 9);
}

class SqliteStore;

class SqliteTable : public RecordTable {
 public:
  SqliteTable(SqliteStore* store, sqlite3* db, std::string name)
      : store_(store), db_(db), name_(std::move(name)) {}

  int16_t Prepare() {
    const std::string table = Quoted(name_);
    if (get_.Prepare(db_, "SELECT data FROM " + table + " WHERE key = ?1") != SQLITE_OK ||
        put_.Prepare(db_, "INSERT OR REPLACE INTO " + table + "(key, data) VALUES(?1, ?2)") !=
            SQLITE_OK ||
        delete_.Prepare(db_, "DELETE FROM " + table + " WHERE key = ?1") != SQLITE_OK) {
      return kNotOurs;
    }
    return kNone;
  }

  int16_t ReadLayout(std::string* canonical) override {
    Statement query;
    int rc = query.Prepare(db_, "SELECT layout FROM kvb_files WHERE name = ?1");
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    sqlite3_bind_text(query.get(), 1, name_.data(), name_.size(), SQLITE_STATIC);
    rc = sqlite3_step(query.get());
    if (rc == SQLITE_DONE) return kNoStoreTable;
    if (rc != SQLITE_ROW) return CodeOf(rc, db_);
    *canonical = Text(query.get(), 0);
    return kNone;
  }

  int16_t Get(std::string_view key, std::string* record) override {
    sqlite3_stmt* stmt = get_.get();
    sqlite3_bind_blob(stmt, 1, key.data(), key.size(), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    int16_t code = CodeOf(rc, db_);
    if (rc == SQLITE_ROW) {
      record->assign(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                     sqlite3_column_bytes(stmt, 0));
    } else if (rc == SQLITE_DONE) {
      code = kNoRecord;
    }
    sqlite3_reset(stmt);
    return code;
  }

  int16_t Put(std::string_view key, std::string_view record) override;
  int16_t Delete(std::string_view key) override;

  int16_t Scan(const std::function<bool(std::string_view)>& visit) override {
    Statement query;
    int rc = query.Prepare(db_, "SELECT data FROM " + Quoted(name_) + " ORDER BY key");
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW) {
      std::string_view data(static_cast<const char*>(sqlite3_column_blob(query.get(), 0)),
                            sqlite3_column_bytes(query.get(), 0));
      if (!visit(data)) return kNone;
    }
    return CodeOf(rc, db_);
  }

 private:
  SqliteStore* store_;
  sqlite3* db_;
  std::string name_;
  Statement get_;
  Statement put_;
  Statement delete_;
};

class SqliteStore : public TransactionalStore {
 public:
  explicit SqliteStore(sqlite3* db) : TransactionalStore(false), db_(db) {}
  // close_v2 defers the close until the tables' statements are finalized.
  ~SqliteStore() override {
    Rollback();
    sqlite3_close_v2(db_);
  }

  // Makes the catalogue in an empty database (with create) and checks that
  // the database is a store of this library.
  int16_t Prepare(bool create) {
    if (create) {
      int16_t code = Begin();
      bool empty = false;
      if (code == kNone) {
        Statement count;
        int rc = count.Prepare(db_, "SELECT count(*) FROM sqlite_master");
        if (rc == SQLITE_OK) rc = sqlite3_step(count.get());
        empty = rc == SQLITE_ROW && sqlite3_column_int(count.get(), 0) == 0;
        code = rc == SQLITE_ROW ? kNone : CodeOf(rc, db_);
      }
      if (code == kNone && empty) {
        std::string sql = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                          ";"
                          "CREATE TABLE kvb_meta(name TEXT PRIMARY KEY, value TEXT);"
                          "CREATE TABLE kvb_files(name TEXT PRIMARY KEY, layout TEXT NOT NULL);"
                          "INSERT INTO kvb_meta VALUES('format', '" +
                          std::string(kFormat) + "');";
        code = Exec(sql.c_str());
      }
      if (code == kNone) code = Commit();
      if (code != kNone) {
        Rollback();
        return code;
      }
    }
    Statement query;
    int rc = query.Prepare(db_, "SELECT value FROM kvb_meta WHERE name = 'format'");
    const std::string path = sqlite3_db_filename(db_, "main");
    if (rc == SQLITE_ERROR) return WithCause(kNotOurs, path + ": " + ForeignFormat("", kFormat));
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    rc = sqlite3_step(query.get());
    const std::string format = rc == SQLITE_ROW ? Text(query.get(), 0) : "";
    if (rc == SQLITE_ROW && format == kFormat) return kNone;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return CodeOf(rc, db_);
    return WithCause(kNotOurs, path + ": " + ForeignFormat(format, kFormat));
  }

  int16_t OpenTable(const std::string& name, std::unique_ptr<RecordTable>* table) override {
    auto sqlite = std::make_unique<SqliteTable>(this, db_, name);
    std::string layout;
    if (int16_t code = sqlite->ReadLayout(&layout); code != kNone) return code;
    if (int16_t code = sqlite->Prepare(); code != kNone) return code;
    *table = std::move(sqlite);
    return kNone;
  }

  int16_t CreateTable(const std::string& name, const std::string& canonical_layout) override {
    if (!UsableName(name)) return kBadName;
    if (in_transaction_) return kStoreInTransaction;
    const std::string table = Quoted(name);
    int16_t code = Begin();
    // A table without its .DAT is one a create that died left behind, or one
    // whose .DAT was deleted: an empty one is replaced, one that holds
    // records is never touched.
    if (code == kNone) code = RefuseTableWithRecords(name);
    if (code == kNone) {
      code = Exec(("DROP TABLE IF EXISTS " + table +
                   ";"
                   "CREATE TABLE " +
                   table + "(key BLOB PRIMARY KEY, data BLOB NOT NULL) WITHOUT ROWID;")
                      .c_str());
    }
    if (code == kNone) {
      Statement insert;
      int rc = insert.Prepare(db_, "INSERT OR REPLACE INTO kvb_files VALUES(?1, ?2)");
      if (rc == SQLITE_OK) {
        sqlite3_bind_text(insert.get(), 1, name.data(), name.size(), SQLITE_STATIC);
        sqlite3_bind_text(insert.get(), 2, canonical_layout.data(), canonical_layout.size(),
                          SQLITE_STATIC);
        rc = sqlite3_step(insert.get());
      }
      code = CodeOf(rc, db_);
    }
    if (code == kNone) return Commit();
    Rollback();
    return code;
  }

  // kTableHasRecords when the store has a table name holding a record.
  int16_t RefuseTableWithRecords(const std::string& name) {
    Statement exists;
    int rc = exists.Prepare(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    sqlite3_bind_text(exists.get(), 1, name.data(), name.size(), SQLITE_STATIC);
    rc = sqlite3_step(exists.get());
    if (rc == SQLITE_DONE) return kNone;
    if (rc != SQLITE_ROW) return CodeOf(rc, db_);
    Statement any;
    rc = any.Prepare(db_, "SELECT 1 FROM " + Quoted(name) + " LIMIT 1");
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    rc = sqlite3_step(any.get());
    if (rc == SQLITE_ROW) return kTableHasRecords;
    return CodeOf(rc, db_);
  }

  SqlDialect dialect() const override { return SqlDialect::kSqlite; }
  int16_t RunSql(const std::string& sql, const std::vector<std::string>& params,
                 SqlRows* rows) override {
    Statement statement;
    if (int rc = statement.Prepare(db_, sql); rc != SQLITE_OK) return CodeOf(rc, db_);
    sqlite3_stmt* stmt = statement.get();
    for (size_t i = 0; i < params.size(); ++i) {
      sqlite3_bind_text(stmt, static_cast<int>(i + 1), params[i].data(),
                        static_cast<int>(params[i].size()), SQLITE_STATIC);
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (rows == nullptr) continue;
      std::vector<std::string>& row = rows->emplace_back();
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        const void* value = sqlite3_column_blob(stmt, c);
        row.emplace_back(value ? static_cast<const char*>(value) : "",
                         static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      }
    }
    return CodeOf(rc, db_);
  }

  int16_t Begin() override {
    int16_t code = Run(begin_, "BEGIN IMMEDIATE");
    in_transaction_ = code == kNone;
    return code;
  }
  int16_t Commit() override {
    int16_t code = Run(commit_, "COMMIT");
    if (code == kNone) {
      Committed();
    } else if (!sqlite3_get_autocommit(db_)) {
      Run(rollback_, "ROLLBACK");  // a failed COMMIT may leave the transaction open
    }
    Ended();
    return code;
  }
  void Rollback() override {
    if (!sqlite3_get_autocommit(db_)) Run(rollback_, "ROLLBACK");
    Ended();
  }


  // After a Put: notes a commit, or a transaction the failure undid.
  void AfterPut(int16_t code) {
    if (!in_transaction_) {
      if (code == kNone) Committed();
    } else if (sqlite3_get_autocommit(db_)) {
      Ended();
    }
  }

  int16_t Exec(const char* sql) {
    return CodeOf(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), db_);
  }

  // Runs a statement of every transaction, prepared on its first use and
  // kept: no parsing per transaction.
  int16_t Run(Statement& statement, const char* sql) {
    if (statement.get() == nullptr) {
      if (int rc = statement.Prepare(db_, sql); rc != SQLITE_OK) return CodeOf(rc, db_);
    }
    int rc = sqlite3_step(statement.get());
    sqlite3_reset(statement.get());
    return CodeOf(rc, db_);
  }

 private:
  int16_t ApplyDurable(bool durable) override {
    return Exec(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
  }
  int16_t SyncCommitted() override {
    Statement checkpoint;
    int rc = checkpoint.Prepare(db_, "PRAGMA wal_checkpoint(FULL)");
    if (rc != SQLITE_OK) return CodeOf(rc, db_);
    rc = sqlite3_step(checkpoint.get());
    if (rc == SQLITE_ROW && sqlite3_column_int(checkpoint.get(), 0) != 0) return kBusy;
    return CodeOf(rc, db_);
  }

  sqlite3* db_;
  Statement begin_;
  Statement commit_;
  Statement rollback_;
};

int16_t SqliteTable::Put(std::string_view key, std::string_view record) {
  sqlite3_stmt* stmt = put_.get();
  sqlite3_bind_blob(stmt, 1, key.data(), key.size(), SQLITE_STATIC);
  sqlite3_bind_blob(stmt, 2, record.data(), record.size(), SQLITE_STATIC);
  int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  int16_t code = CodeOf(rc, db_);
  store_->AfterPut(code);
  return code;
}

int16_t SqliteTable::Delete(std::string_view key) {
  sqlite3_stmt* stmt = delete_.get();
  sqlite3_bind_blob(stmt, 1, key.data(), key.size(), SQLITE_STATIC);
  int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  int16_t code = CodeOf(rc, db_);
  if (code == kNone && sqlite3_changes(db_) == 0) return kNoRecord;
  store_->AfterPut(code);
  return code;
}

}  // namespace

bool IsNetworkFilesystem(long type) {
  switch (static_cast<unsigned long>(type) & 0xFFFFFFFFUL) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x564C:      // NCP (NetWare)
    case 0x5346414F:  // AFS
    case 0x6B414653:  // kAFS
    case 0x73757245:  // Coda
    case 0x01021997:  // 9P
    case 0x00C36400:  // Ceph
    case 0x0BD00BD0:  // Lustre
    case 0x01161970:  // GFS2
    case 0x7461636F:  // OCFS2
    case 0x47504653:  // GPFS
    case 0x013111A8:  // IBRIX
    case 0x19830326:  // FhGFS / BeeGFS
      return true;
    default:
      return false;
  }
}

bool IsSqliteDatabase(const std::string& host_path) {
  static const char kHeader[16] = "SQLite format 3";  // with its zero
  char start[16] = {};
  int fd = open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool database = read(fd, start, sizeof start) == sizeof start &&
                  std::memcmp(start, kHeader, sizeof start) == 0;
  close(fd);
  return database;
}

int16_t OpenSqliteStore(const std::string& folder, bool create,
                        std::unique_ptr<RecordStore>* store) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return WithSystemError(kMissingFile, folder, errno);
  if (!S_ISDIR(st.st_mode)) return WithCause(kMissingFile, folder + ": not a folder");
  struct statfs fs;
  if (statfs(folder.c_str(), &fs) == 0 && IsNetworkFilesystem(fs.f_type)) {
    return WithCause(kNetworkFilesystem, folder + " is on a network filesystem");
  }
  std::string path;
  if (int16_t code = ResolvePath(folder + "/" + kStoreFileName, &path); code != kNone) {
    return code;
  }
  const bool making = stat(path.c_str(), &st) != 0;
  if (making) {
    if (!create) return WithSystemError(kNoStoreTable, path, errno);
  } else if (!S_ISREG(st.st_mode)) {
    return WithCause(kNotOurs, path + ": not a regular file");
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, StoreVfsName());
  if (rc != SQLITE_OK) {
    // SQLite reports the errno of its last attempt (to open read-only: "No
    // such file") where the folder refused the store's creation.
    const int system_error = sqlite3_system_errno(db);
    int16_t code = CodeOf(rc, db, path);
    if (system_error == EACCES || system_error == EPERM || !Unwritable(path).empty()) {
      code = WithCause(kPermissionDenied, TakeCause(code));
    }
    sqlite3_close_v2(db);
    return code;
  }
  // SQLite makes its WAL and shared-memory files with the store's mode. A
  // store another desk made at the same moment is that desk's to set.
  if (making && chmod(path.c_str(), NewFileMode(folder)) != 0 && errno != EPERM) {
    const int error = errno;
    sqlite3_close_v2(db);
    return WithSystemError(kIoError, path, error);
  }
  sqlite3_busy_timeout(db, kBusyMilliseconds);
  auto sqlite = std::make_unique<SqliteStore>(db);
  int16_t code = sqlite->Exec("PRAGMA journal_mode=WAL");
  if (code == kNone) code = sqlite->SetDurable(true);
  if (code == kNone) code = sqlite->Prepare(create);
  if (code != kNone) return code;
  *store = std::move(sqlite);
  return kNone;
}

}  // namespace kvb
