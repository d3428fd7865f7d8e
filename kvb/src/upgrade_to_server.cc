#include "upgrade_to_server.h"

#include <dirent.h>
#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "cause.h"
#include "file_admin.h"
#include "keyed_file.h"
#include "keyed_stub.h"
#include "layout.h"
#include "sqlite_store.h"
#include "status.h"
#include "store_cache.h"
#include "store_location.h"

namespace kvb {
namespace {

// An old-form keyed file, opened read-only.
class OldFile {
 public:
  explicit OldFile(const std::string& path) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      Close();
    }
  }
  ~OldFile() { Close(); }
  OldFile(const OldFile&) = delete;
  OldFile& operator=(const OldFile&) = delete;

  // Its layout: kNone, kNotOurs (another database) or a failure.
  int16_t ReadLayout(std::string* layout) {
    std::string format;
    int16_t code = Each("SELECT name, value FROM kvb_meta", [&](sqlite3_stmt* row) {
      const std::string name = Column(row, 0);
      if (name == "format") format = Column(row, 1);
      if (name == "layout") *layout = Column(row, 1);
      return kNone;
    });
    if (code == kNone && format != "kvb keyed record file 1") code = kNotOurs;
    return code;
  }
  // Calls put for every record.
  template <typename Put>
  int16_t ForEachRecord(Put put) {
    return Each("SELECT key, data FROM records",
                [&](sqlite3_stmt* row) { return put(Column(row, 0), Column(row, 1)); });
  }

 private:
  void Close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
  static std::string Column(sqlite3_stmt* row, int column) {
    const void* data = sqlite3_column_blob(row, column);
    return data ? std::string(static_cast<const char*>(data),
                              static_cast<size_t>(sqlite3_column_bytes(row, column)))
                : std::string();
  }
  template <typename Visit>
  int16_t Each(const char* sql, Visit visit) {
    if (db_ == nullptr) return WithCause(kIoError, path_ + ": cannot be opened");
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &query, nullptr) != SQLITE_OK) {
      sqlite3_finalize(query);
      return WithCause(kNotOurs, path_ + ": " + sqlite3_errmsg(db_));
    }
    int16_t code = kNone;
    int rc;
    while (code == kNone && (rc = sqlite3_step(query)) == SQLITE_ROW) code = visit(query);
    if (code == kNone && rc != SQLITE_DONE)
      code = WithCause(kIoError, path_ + ": " + sqlite3_errmsg(db_));
    sqlite3_finalize(query);
    return code;
  }

  std::string path_;
  sqlite3* db_ = nullptr;
};

// Makes the file at path on the server from old and fills it in one
// transaction; kFileExists when the server has it.
int16_t CopyOntoServer(StoreCache& stores, const std::string& path, OldFile& old,
                       const Layout& layout) {
  if (int16_t code = CreateKeyedFile(stores, path, layout); code != kNone) return code;
  std::unique_ptr<KeyedFile> file;
  int16_t code = KeyedFile::Open(stores, path, &layout, false, &file);
  if (code == kNone) code = file->store().Begin();
  if (code == kNone) {
    code = old.ForEachRecord([&](const std::string& key, const std::string& data) {
      return file->table().Put(key, data);
    });
    code = code == kNone ? file->store().Commit() : code;
    if (code != kNone) file->store().Rollback();
  }
  if (code != kNone) {
    KeptCause kept;
    file.reset();
    KeyedFileAt made;
    if (LocateKeyedFile(stores, path, &made) == kNone) RemoveKeyedFile(made);
  }
  return code;
}

}  // namespace

bool FolderOnServer(const std::string& folder) {
  ServerFile server;
  return OnServer(folder + "/" + kStoreFileName, '\0', &server);
}

int16_t UpgradeFolderToServer(const std::string& folder, UpgradeReport* report) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return WithSystemError(kMissingFile, folder, errno);
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  StoreCache stores;
  for (const std::string& name : names) {
    const std::string path = folder + "/" + name;
    if (!IsSqliteDatabase(path)) continue;
    OldFile old(path);
    std::string canonical, error;
    Layout layout;
    int16_t code = old.ReadLayout(&canonical);
    if (code == kNone && !ParseLayout(canonical, name, &layout, &error)) {
      code = WithCause(kNotOurs, error);
    }
    if (code == kNone) code = CopyOntoServer(stores, path, old, layout);
    if (code == kNotOurs || code == kFileExists) {
      DropCause();
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
