#include "file_admin.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "cause.h"
#include "keyed_stub.h"
#include "layout.h"
#include "sql_transaction.h"
#include "status.h"
#include "store_location.h"
#include "store_views.h"

namespace kvb {
namespace {

// path with its symbolic links resolved as far as it exists: a file
// reached through a link is the file of the folder the link leads to.
std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real != nullptr) {
    std::string resolved = real;
    free(real);
    return resolved;
  }
  char* folder = realpath(FolderOf(path).c_str(), nullptr);
  if (folder == nullptr) return path;
  std::string resolved = std::string(folder) + "/" + path.substr(path.rfind('/') + 1);
  free(folder);
  return resolved;
}

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

bool Sqlite(const RecordStore& store) { return store.dialect() == SqlDialect::kSqlite; }

// The one value of a query; "" for none.
int16_t Value(RecordStore& store, const std::string& sql, const std::vector<std::string>& params,
              std::string* value) {
  SqlRows rows;
  const int16_t code = store.RunSql(sql, params, &rows);
  *value = code == kNone && !rows.empty() && !rows[0].empty() ? rows[0][0] : "";
  return code;
}

// Whether the store holds the file: its entry in kvb_files.
int16_t HasTable(RecordStore& store, const std::string& name, bool* has) {
  std::string count;
  const bool sqlite = Sqlite(store);
  int16_t code =
      Value(store,
            sqlite ? "SELECT count(*) FROM sqlite_master WHERE name = 'kvb_files'"
                   : "SELECT count(*) FROM pg_class WHERE oid = to_regclass('kvb_files')",
            {}, &count);
  *has = false;
  if (code != kNone || count == "0") return code;
  code = Value(store,
               sqlite ? "SELECT count(*) FROM kvb_files WHERE name = ?1"
                      : "SELECT count(*) FROM kvb_files WHERE name = $1",
               {name}, &count);
  *has = count == "1";
  return code;
}

int16_t LocateOnServer(StoreCache& stores, const ServerFile& server, KeyedFileAt* file) {
  file->on_server = true;
  file->name = server.name;
  if (int16_t code = stores.GetServer(server.conninfo, &file->store); code != kNone) return code;
  if (int16_t code = HasTable(*file->store, file->name, &file->has_table); code != kNone) {
    return code;
  }
  if (!file->has_table)
    return WithCause(kMissingFile, "no keyed file " + file->name + " on the server");
  return kNone;
}

int16_t LocateInFolder(StoreCache& stores, KeyedFileAt* file) {
  file->stub = RealPath(file->given);
  file->name = TableNameOf(file->stub);
  const int16_t stub = CheckStub(file->stub);
  if (stub != kNone && stub != kMissingFile) return stub;
  file->has_stub = stub == kNone;
  int16_t code = stores.Get(FolderOf(file->stub), false, &file->store);
  if (code == kNoStoreTable) {
    file->store.reset();
    code = kNone;
  }
  if (code == kNone && file->store) code = HasTable(*file->store, file->name, &file->has_table);
  if (code != kNone) return code;
  if (!file->has_stub && !file->has_table) {
    return WithSystemError(kMissingFile, file->stub, ENOENT);
  }
  return kNone;
}

// In one transaction begun by the caller: the records, layout and view of
// the file name go.
int16_t DropFile(RecordStore& store, const std::string& name) {
  int16_t code = DropView(store, name);
  if (Sqlite(store)) {
    if (code == kNone) code = store.RunSql("DROP TABLE IF EXISTS " + Quoted(name), {}, nullptr);
    if (code == kNone)
      code = store.RunSql("DELETE FROM kvb_files WHERE name = ?1", {name}, nullptr);
    return code;
  }
  if (code == kNone) {
    code = store.RunSql(
        "DELETE FROM kvb_records WHERE file = (SELECT id FROM kvb_files WHERE name = $1)", {name},
        nullptr);
  }
  if (code == kNone) code = store.RunSql("DELETE FROM kvb_files WHERE name = $1", {name}, nullptr);
  return code;
}

// In the caller's transaction: the file from is named to, with its view.
int16_t RenameInStore(RecordStore& store, const std::string& from, const std::string& to) {
  const bool sqlite = Sqlite(store);
  std::string stored;
  int16_t code = Value(store,
                       sqlite ? "SELECT layout FROM kvb_files WHERE name = ?1"
                              : "SELECT layout FROM kvb_files WHERE name = $1",
                       {from}, &stored);
  Layout layout;
  std::string error;
  if (code == kNone && !ParseLayout(stored, from, &layout, &error)) {
    code = WithCause(kNotOurs, error);
  }
  if (code == kNone) code = DropView(store, from);
  if (code == kNone && sqlite) {
    code = store.RunSql("ALTER TABLE " + Quoted(from) + " RENAME TO " + Quoted(to), {}, nullptr);
  }
  if (code == kNone) {
    code = store.RunSql(sqlite ? "UPDATE kvb_files SET name = ?2 WHERE name = ?1"
                               : "UPDATE kvb_files SET name = $2 WHERE name = $1",
                        {from, to}, nullptr);
  }
  if (code == kNone) code = MakeView(store, to, layout);
  return code;
}

// Removes path when it is there; the folder is synced by the caller.
int16_t Unlink(const std::string& path) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return kNone;
  return WithSystemError(errno == EACCES || errno == EPERM ? kPermissionDenied : kIoError, path,
                         errno);
}

// Whether from and to are in one store: the same server, or the same folder.
bool SameStore(const KeyedFileAt& from, const KeyedFileAt& to) {
  if (from.on_server != to.on_server) return false;
  if (from.on_server) return from.store == to.store;
  struct stat a, b;
  return stat(FolderOf(from.stub).c_str(), &a) == 0 && stat(FolderOf(to.stub).c_str(), &b) == 0 &&
         a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

int16_t LocateKeyedFile(StoreCache& stores, const std::string& host_path, KeyedFileAt* file,
                        char named_drive) {
  *file = KeyedFileAt{};
  file->given = host_path;
  if (ServerFile server; OnServer(host_path, named_drive, &server)) {
    return LocateOnServer(stores, server, file);
  }
  return LocateInFolder(stores, file);
}

int16_t CountRecords(const KeyedFileAt& file, long* count) {
  *count = 0;
  if (!file.has_table) return kNone;
  std::string value;
  const int16_t code =
      Sqlite(*file.store)
          ? Value(*file.store, "SELECT count(*) FROM " + Quoted(file.name), {}, &value)
          : Value(*file.store,
                  "SELECT count(*) FROM kvb_records WHERE file = (SELECT id FROM kvb_files WHERE"
                  " name = $1)",
                  {file.name}, &value);
  *count = std::atol(value.c_str());
  return code;
}

int16_t RemoveKeyedFile(const KeyedFileAt& file) {
  if (file.has_table) {
    SqlTransaction transaction(*file.store);
    int16_t code = transaction.Begin();
    if (code == kNone) code = DropFile(*file.store, file.name);
    if (code == kNone) code = transaction.Commit();
    if (code != kNone) return code;
  }
  if (file.on_server) return kNone;
  int16_t code = Unlink(file.stub);
  if (code == kNone) code = Unlink(file.stub + "-lock");
  if (code == kNone) code = SyncFolder(FolderOf(file.stub));
  return code;
}

int16_t RenameKeyedFile(StoreCache& stores, const KeyedFileAt& from,
                        const std::string& to_host_path, char to_named_drive) {
  KeyedFileAt to;
  const int16_t found = LocateKeyedFile(stores, to_host_path, &to, to_named_drive);
  if (found != kNone && found != kMissingFile) return found;
  DropCause();
  if (!SameStore(from, to)) {
    return WithCause(kBadName, to_host_path + " is not in the store of " + from.given +
                                   ": copy the file there, then remove it here");
  }
  if (to.name == from.name) {
    return WithCause(kFileExists, to_host_path + " names the same file as " + from.given);
  }
  // A rename that died between the store and the .DAT: only the .DAT moves.
  const bool finishing = !from.has_table && from.has_stub && to.has_table && !to.has_stub;
  if (!finishing && !from.has_table) {
    return WithCause(kNoStoreTable, "the records of " + from.given + " are not in the store");
  }
  // A file that is there is never replaced: only a remove drops records.
  if (!finishing && (to.has_table || to.has_stub)) {
    return WithCause(kFileExists, to_host_path + " is there already");
  }
  if (!finishing) {
    RecordStore& store = *from.store;
    if (int16_t code = FreeViewName(store, to.name); code != kNone) return code;
    SqlTransaction transaction(store);
    int16_t code = transaction.Begin();
    if (code == kNone) code = RenameInStore(store, from.name, to.name);
    if (code == kNone) code = transaction.Commit();
    if (code != kNone) return code;
  }
  if (from.on_server) return kNone;
  if (rename(from.stub.c_str(), to.stub.c_str()) != 0) {
    return WithSystemError(kIoError, from.stub + " to " + to.stub, errno);
  }
  int16_t code = Unlink(from.stub + "-lock");
  if (code == kNone) code = SyncFolder(FolderOf(to.stub));
  return code;
}

}  // namespace kvb
