#include "upgrade.h"

#include <dirent.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "keyed_stub.h"
#include "sqlite_store.h"
#include "status.h"
#include "store_cache.h"
#include "store_views.h"

namespace kvb {
namespace {

// The format marker of the old form's kvb_meta table.
constexpr char kOldFormat[] = "kvb keyed record file 1";

struct OldFile {
  sqlite3* db = nullptr;
  ~OldFile() { sqlite3_close_v2(db); }
};

std::string Column(sqlite3_stmt* stmt, int column) {
  const void* data = sqlite3_column_blob(stmt, column);
  return data ? std::string(static_cast<const char*>(data), sqlite3_column_bytes(stmt, column))
              : std::string();
}

// The layout of an old-form keyed file: kNone, kNotOurs (some other
// database) or an error.
int16_t ReadOldLayout(sqlite3* db, std::string* layout) {
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT name, value FROM kvb_meta", -1, &query, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(query);
    return kNotOurs;
  }
  bool ours = false;
  int rc;
  while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
    std::string name = Column(query, 0);
    if (name == "format") ours = Column(query, 1) == kOldFormat;
    if (name == "layout") *layout = Column(query, 1);
  }
  sqlite3_finalize(query);
  if (rc != SQLITE_DONE) return kIoError;
  return ours ? kNone : kNotOurs;
}

// Copies the old file's records into table within one transaction of store.
int16_t CopyRecords(sqlite3* db, RecordStore& store, RecordTable& table) {
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT key, data FROM records", -1, &query, nullptr) != SQLITE_OK) {
    sqlite3_finalize(query);
    return kNotOurs;
  }
  int16_t code = store.Begin();
  int rc = SQLITE_DONE;
  while (code == kNone && (rc = sqlite3_step(query)) == SQLITE_ROW) {
    code = table.Put(Column(query, 0), Column(query, 1));
  }
  sqlite3_finalize(query);
  if (code == kNone && rc != SQLITE_DONE) code = kIoError;
  if (code == kNone) return store.Commit();
  store.Rollback();
  return code;
}

// kNone when the store's table name holds exactly the old file's layout and
// records (an upgrade that died after its copy); else kTableHasRecords.
int16_t HoldsSameFile(sqlite3* db, const std::string& layout, RecordStore& store,
                      const std::string& name) {
  std::unique_ptr<RecordTable> table;
  std::string stored_layout;
  if (int16_t code = store.OpenTable(name, &table); code != kNone) return code;
  if (int16_t code = table->ReadLayout(&stored_layout); code != kNone) return code;
  if (stored_layout != layout) return kTableHasRecords;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT data FROM records ORDER BY key", -1, &query, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(query);
    return kNotOurs;
  }
  bool same = true;
  int16_t code = table->Scan([&](std::string_view record) {
    same = sqlite3_step(query) == SQLITE_ROW && Column(query, 0) == record;
    return same;
  });
  if (code == kNone && same && sqlite3_step(query) != SQLITE_DONE) same = false;
  sqlite3_finalize(query);
  if (code != kNone) return code;
  return same ? kNone : kTableHasRecords;
}

// Moves one old-form file: kNone, kNotOurs (not a keyed file, left alone)
// or an error.
int16_t MoveFile(const std::string& path, StoreCache& stores) {
  OldFile old;
  // Read-write, so that a log the old file's last user left is taken in.
  if (sqlite3_open_v2(path.c_str(), &old.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    return kIoError;
  }
  sqlite3_busy_timeout(old.db, 5000);
  std::string layout;
  if (int16_t code = ReadOldLayout(old.db, &layout); code != kNone) return code;
  std::shared_ptr<RecordStore> store;
  if (int16_t code = stores.Get(FolderOf(path), true, &store); code != kNone) return code;
  const std::string name = TableNameOf(path);
  // An empty table left by an earlier run is replaced. One that holds
  // records is this file's copy made by a run that died before its stub, or
  // the records of a live file (an old file restored over its stub): the
  // first only needs its stub, the second is never replaced.
  int16_t code = store->CreateTable(name, layout);
  if (code == kTableHasRecords) {
    if (code = HoldsSameFile(old.db, layout, *store, name); code != kNone) return code;
  } else if (code != kNone) {
    return code;
  } else {
    std::unique_ptr<RecordTable> table;
    if (code = store->OpenTable(name, &table); code != kNone) return code;
    if (code = CopyRecords(old.db, *store, *table); code != kNone) return code;
  }
  Layout parsed;
  std::string error;
  if (ParseLayout(layout, name, &parsed, &error)) KeepViewIfPossible(*store, name, parsed);
  if (sqlite3_close(old.db) != SQLITE_OK) return kBusy;
  old.db = nullptr;
  if (int16_t code = PlaceStub(path, true); code != kNone) return code;
  unlink((path + "-wal").c_str());
  unlink((path + "-shm").c_str());
  return kNone;
}

}  // namespace

int16_t UpgradeFolder(const std::string& folder, UpgradeReport* report) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return kMissingFile;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name[0] != '.' && TableNameOf(name) != kStoreFileName) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  StoreCache stores;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (!IsSqliteDatabase(path)) continue;
    int16_t code = MoveFile(path, stores);
    if (code == kNotOurs) {
      report->skipped.push_back(name);
    } else if (code != kNone) {
      report->failed = name;
      return code;
    } else {
      report->moved.push_back(name);
    }
  }
  return kNone;
}

}  // namespace kvb
