#include "keyed_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "cause.h"
#include "keyed_stub.h"
#include "path.h"
#include "status.h"
#include "store_location.h"
#include "store_views.h"

namespace kvb {

namespace {

// The first difference between the layout a file was made with and the one
// given, in words.
std::string LayoutDifference(const Layout& made, const Layout& given) {
  std::istringstream made_lines(made.Shape()), given_lines(given.Shape());
  std::string a, b;
  for (;;) {
    const bool more_made = static_cast<bool>(std::getline(made_lines, a));
    const bool more_given = static_cast<bool>(std::getline(given_lines, b));
    if (!more_made && !more_given) return "the layouts differ";
    if (!more_given) return "made with the field '" + a + "', which the layout given lacks";
    if (!more_made) return "the layout given has the field '" + b + "' more";
    if (a != b) return "made with the field '" + a + "' where the layout given has '" + b + "'";
  }
}

// The stub's own path with symbolic links resolved: a keyed file reached
// through a link is the file of the folder the link leads to.
std::string RealPath(const std::string& host_path) {
  char* real = realpath(host_path.c_str(), nullptr);
  if (real == nullptr) return host_path;
  std::string resolved = real;
  free(real);
  return resolved;
}

}  // namespace

int16_t KeyedFile::Open(StoreCache& stores, const std::string& name_given,
                        const Layout* layout, bool read_only, std::unique_ptr<KeyedFile>* file,
                        char named_drive) {
  if (ServerFile server; OnServer(name_given, named_drive, &server)) {
    std::shared_ptr<RecordStore> store;
    if (int16_t code = stores.GetServer(server.conninfo, &store); code != kNone) return code;
    int16_t code =
        OpenInStore(std::move(store), server.name, name_given, layout, read_only, file);
    // A file of that name in the folder that the server does not have (a text
    // file, or a stub of a file left behind in a folder's store) is not a
    // keyed file of the drive.
    struct stat st;
    if (code == kMissingFile && stat(name_given.c_str(), &st) == 0) {
      code = WithCause(kNotOurs, name_given +
                                     " is in the folder, but the server of its drive "
                                     "holds no keyed file " +
                                     server.name);
    }
    return code;
  }
  const std::string host_path = RealPath(name_given);
  if (int16_t code = CheckStub(host_path); code != kNone) return code;
  // The stub's permissions stand for the file's: a write-protected .DAT opens
  // read-only.
  const bool writable = access(host_path.c_str(), W_OK) == 0;
  const int write_error = errno;
  std::shared_ptr<RecordStore> store;
  if (int16_t code = stores.Get(FolderOf(host_path), false, &store); code != kNone) return code;
  int16_t code = OpenInStore(std::move(store), host_path, layout, read_only || !writable, file);
  if (code == kNone && !read_only && !writable) {
    (*file)->read_only_cause_ =
        host_path + " may not be written by this user: " + std::strerror(write_error);
  }
  return code;
}

int16_t KeyedFile::OpenInStore(std::shared_ptr<RecordStore> store, const std::string& host_path,
                               const Layout* layout, bool read_only,
                               std::unique_ptr<KeyedFile>* file) {
  return OpenInStore(std::move(store), TableNameOf(host_path), host_path, layout, read_only, file);
}

int16_t KeyedFile::OpenInStore(std::shared_ptr<RecordStore> store, const std::string& table_name,
                               const std::string& host_path, const Layout* layout, bool read_only,
                               std::unique_ptr<KeyedFile>* file) {
  std::unique_ptr<RecordTable> table;
  if (int16_t code = store->OpenTable(table_name, &table); code != kNone) {
    return code;
  }
  std::string stored, error;
  if (int16_t code = table->ReadLayout(&stored); code != kNone) return code;
  Layout own;
  if (!ParseLayout(stored, "the layout stored for " + table_name, &own, &error)) {
    return WithCause(kNotOurs, error);
  }
  if (layout != nullptr) {
    if (layout->Shape() != own.Shape()) {
      return WithCause(kLayoutMismatch, table_name + ": " + LayoutDifference(own, *layout));
    }
    own = *layout;  // its number marks say how the view shows the fields
  }
  std::unique_ptr<KeyLock> lock = store->NewKeyLock(table_name);
  if (!lock) lock = std::make_unique<RecordLock>(host_path);
  // A file made before views existed gets its view here, and a layout with
  // other number marks remakes it.
  if (!read_only) KeepViewIfPossible(*store, table_name, own);
  file->reset(new KeyedFile(std::move(store), std::move(table), std::move(own), std::move(lock),
                            read_only));
  return kNone;
}

KeyedFile::KeyedFile(std::shared_ptr<RecordStore> store, std::unique_ptr<RecordTable> table,
                     Layout layout, std::unique_ptr<KeyLock> lock, bool read_only)
    : store_(std::move(store)),
      table_(std::move(table)),
      layout_(std::move(layout)),
      buffer_(&layout_),
      lock_(std::move(lock)),
      read_only_(read_only) {}

int16_t KeyedFile::Position(std::string_view key) {
  std::string normalized;
  if (int16_t code = NormalizeKey(key, layout_.key().width, &normalized); code != kNone) {
    return code;
  }
  if (!lock_->holds(normalized)) lock_->Release();
  position_ = std::move(normalized);
  return kNone;
}

int16_t KeyedFile::Read() {
  if (!position_) return kNoPosition;
  if (int16_t code = table_->Get(*position_, &scratch_); code != kNone) return code;
  if (!buffer_.Assign(scratch_)) return kNotOurs;
  return kNone;
}

int16_t KeyedFile::Prefetch(std::string_view key, bool name, bool* named) {
  std::string normalized;
  if (int16_t code = NormalizeKey(key, layout_.key().width, &normalized); code != kNone) {
    return code;
  }
  *named = name && table_->Prefetch(normalized);
  return kNone;
}

int16_t KeyedFile::Lock() {
  if (!position_) return kNoPosition;
  return lock_->Lock(*position_);
}

int16_t KeyedFile::TestLock() {
  if (!position_) return kNoPosition;
  return lock_->Test(*position_);
}

int16_t KeyedFile::CheckWrite() const {
  if (read_only_) {
    return WithCause(kWrongDirection, read_only_cause_.empty() ? "the file was opened for reading"
                                                               : read_only_cause_);
  }
  std::string_view key = buffer_.Key();
  if (key.find_first_not_of(' ') == std::string_view::npos) return kBlankKey;
  return kNone;
}

int16_t KeyedFile::Write() {
  if (int16_t code = CheckWrite(); code != kNone) return code;
  return table_->Put(buffer_.Key(), buffer_.bytes());
}

int16_t KeyedFile::Delete() {
  if (!position_) return kNoPosition;
  if (read_only_) return kWrongDirection;
  return table_->Delete(*position_);
}

int16_t KeyedFile::SetDurable(bool durable) { return store_->SetDurable(durable); }

int16_t KeyedFile::Sync() { return store_->Sync(); }

int16_t CreateKeyedFile(StoreCache& stores, const std::string& host_path, const Layout& layout,
                        char named_drive) {
  if (ServerFile server; OnServer(host_path, named_drive, &server)) {
    std::shared_ptr<RecordStore> store;
    if (int16_t code = stores.GetServer(server.conninfo, &store); code != kNone) return code;
    if (int16_t code = store->CreateTable(server.name, layout.Canonical()); code != kNone) {
      return code;
    }
    KeepViewIfPossible(*store, server.name, layout);
    return kNone;
  }
  // The name as the lookup finds it: "KVIN.DAT" where "kvin.dat" is (the
  // same table).
  std::string found;
  if (int16_t code = ResolvePath(host_path, &found); code != kNone) return code;
  struct stat st;
  if (lstat(found.c_str(), &st) == 0) return kFileExists;
  std::shared_ptr<RecordStore> store;
  if (int16_t code = stores.Get(FolderOf(host_path), true, &store); code != kNone) return code;
  if (int16_t code = FreeViewName(*store, TableNameOf(host_path)); code != kNone) return code;
  if (int16_t code = store->CreateTable(TableNameOf(host_path), layout.Canonical());
      code != kNone) {
    // Another desk may have made the file since the look above: its .DAT is
    // there now, and its records are its own.
    if (code == kTableHasRecords && lstat(found.c_str(), &st) == 0) return kFileExists;
    return code;
  }
  KeepViewIfPossible(*store, TableNameOf(host_path), layout);
  return PlaceStub(host_path, false);
}

int16_t RestoreStub(StoreCache& stores, const std::string& host_path, char named_drive) {
  if (ServerFile server; OnServer(host_path, named_drive, &server)) return kBadName;
  std::string found;
  if (int16_t code = ResolvePath(host_path, &found); code != kNone) return code;
  struct stat st;
  if (lstat(found.c_str(), &st) == 0) return kFileExists;
  std::shared_ptr<RecordStore> store;
  if (int16_t code = stores.Get(FolderOf(host_path), false, &store); code != kNone) return code;
  std::unique_ptr<RecordTable> table;
  if (int16_t code = store->OpenTable(TableNameOf(host_path), &table); code != kNone) return code;
  return PlaceStub(host_path, false);
}

}  // namespace kvb
