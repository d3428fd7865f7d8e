// One open keyed record file: its layout, storage, record buffer, position
// and record lock.
#ifndef KVB_SRC_KEYED_FILE_H_
#define KVB_SRC_KEYED_FILE_H_

#include <memory>
#include <optional>
#include <string>

#include "layout.h"
#include "record.h"
#include "record_lock.h"
#include "record_store.h"

namespace kvb {

class KeyedFile {
 public:
  // Opens the keyed file at host_path. With a layout, the file must have
  // been made with an equal one (kLayoutMismatch); without, the file's own
  // stored layout is used. Returns kNone or a secondary code.
  static int16_t Open(const std::string& host_path, const Layout* layout, bool read_only,
                      std::unique_ptr<KeyedFile>* file);
  // Opens over a given store (tests wrap stores to inject faults).
  static int16_t OpenStore(std::unique_ptr<RecordStore> store, const std::string& host_path,
                           const Layout* layout, bool read_only, std::unique_ptr<KeyedFile>* file);

  const Layout& layout() const { return layout_; }
  Record& buffer() { return buffer_; }
  RecordStore& store() { return *store_; }

  // Sets the position to key (kKeyTooLong when it does not fit the key
  // field). Moving to another key releases this file's record lock.
  int16_t Position(std::string_view key);
  // Loads the record at the position: kNoPosition, kNoRecord (buffer kept).
  int16_t Read();
  // Locks the positioned key against every other open of the file.
  int16_t Lock();
  // Stores the buffer under its own key field (insert or replace).
  int16_t Write();

  // durable: every Write is on disk when it returns (the default).
  int16_t SetDurable(bool durable);
  // Makes the writes done while not durable durable now.
  int16_t Sync();

 private:
  KeyedFile(std::unique_ptr<RecordStore> store, Layout layout, const std::string& host_path,
            bool read_only);

  std::unique_ptr<RecordStore> store_;
  Layout layout_;
  Record buffer_;
  RecordLock lock_;
  bool read_only_;
  bool durable_ = true;
  bool unsynced_writes_ = false;
  std::optional<std::string> position_;
  std::string scratch_;
};

// Makes an empty keyed file for a layout (kFileExists when one is there).
int16_t CreateKeyedFile(const std::string& host_path, const Layout& layout);

}  // namespace kvb

#endif  // KVB_SRC_KEYED_FILE_H_
