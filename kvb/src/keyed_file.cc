#include "keyed_file.h"

#include "sqlite_store.h"
#include "status.h"

namespace kvb {

int16_t KeyedFile::Open(const std::string& host_path, const Layout* layout, bool read_only,
                        std::unique_ptr<KeyedFile>* file) {
  std::unique_ptr<RecordStore> store;
  if (int16_t code = OpenSqliteStore(host_path, read_only, &store); code != kNone) return code;
  return OpenStore(WrapForFaultTests(std::move(store)), host_path, layout, read_only, file);
}

int16_t KeyedFile::OpenStore(std::unique_ptr<RecordStore> store, const std::string& host_path,
                             const Layout* layout, bool read_only,
                             std::unique_ptr<KeyedFile>* file) {
  std::string stored;
  if (int16_t code = store->ReadLayout(&stored); code != kNone) return code;
  Layout own;
  if (layout != nullptr) {
    if (layout->Canonical() != stored) return kLayoutMismatch;
    own = *layout;
  } else {
    std::string error;
    if (!ParseLayout(stored, "stored layout", &own, &error)) return kNotOurs;
  }
  file->reset(new KeyedFile(std::move(store), std::move(own), host_path, read_only));
  return kNone;
}

KeyedFile::KeyedFile(std::unique_ptr<RecordStore> store, Layout layout,
                     const std::string& host_path, bool read_only)
    : store_(std::move(store)),
      layout_(std::move(layout)),
      buffer_(&layout_),
      lock_(host_path),
      read_only_(read_only) {}

int16_t KeyedFile::Position(std::string_view key) {
  std::string normalized;
  if (int16_t code = NormalizeKey(key, layout_.key().width, &normalized); code != kNone) {
    return code;
  }
  if (!lock_.holds(normalized)) lock_.Release();
  position_ = std::move(normalized);
  return kNone;
}

int16_t KeyedFile::Read() {
  if (!position_) return kNoPosition;
  if (int16_t code = store_->Get(*position_, &scratch_); code != kNone) return code;
  if (!buffer_.Assign(scratch_)) return kNotOurs;
  return kNone;
}

int16_t KeyedFile::Lock() {
  if (!position_) return kNoPosition;
  return lock_.Lock(*position_);
}

int16_t KeyedFile::Write() {
  if (read_only_) return kWrongDirection;
  std::string_view key = buffer_.Key();
  if (key.find_first_not_of(' ') == std::string_view::npos) return kBlankKey;
  int16_t code = store_->Put(key, buffer_.bytes());
  if (code == kNone && !durable_) unsynced_writes_ = true;
  return code;
}

int16_t KeyedFile::SetDurable(bool durable) {
  if (read_only_ || durable == durable_) return kNone;
  int16_t code = store_->SetDurable(durable);
  if (code == kNone) durable_ = durable;
  return code;
}

int16_t KeyedFile::Sync() {
  if (!unsynced_writes_) return kNone;
  int16_t code = store_->Sync();
  if (code == kNone) unsynced_writes_ = false;
  return code;
}

int16_t CreateKeyedFile(const std::string& host_path, const Layout& layout) {
  return CreateSqliteStore(host_path, layout.Canonical());
}

}  // namespace kvb
