// One open keyed record file: its layout, table in the folder's store,
// record buffer, position and record lock.
#ifndef KVB_SRC_KEYED_FILE_H_
#define KVB_SRC_KEYED_FILE_H_

#include <memory>
#include <optional>
#include <string>

#include "layout.h"
#include "record.h"
#include "record_lock.h"
#include "record_store.h"
#include "store_cache.h"

namespace kvb {

class KeyedFile {
 public:
  // Opens the keyed file at host_path: its table on the drive's server
  // (store_location.h), or its .DAT stub and its table in the store of its
  // folder, taken from stores. With a layout, the file must have
  // been made with an equal one (kLayoutMismatch); without, the file's own
  // stored layout is used. A .DAT this process may not write opens
  // read-only. named_drive is the drive the file's name gave, if any
  // (store_location.h). Returns kNone or a secondary code.
  static int16_t Open(StoreCache& stores, const std::string& host_path, const Layout* layout,
                      bool read_only, std::unique_ptr<KeyedFile>* file, char named_drive = '\0');
  // Opens in a given store (tests wrap stores to inject faults).
  static int16_t OpenInStore(std::shared_ptr<RecordStore> store, const std::string& host_path,
                             const Layout* layout, bool read_only,
                             std::unique_ptr<KeyedFile>* file);
  // The same, with the file's name in the store given.
  static int16_t OpenInStore(std::shared_ptr<RecordStore> store, const std::string& table_name,
                             const std::string& host_path, const Layout* layout, bool read_only,
                             std::unique_ptr<KeyedFile>* file);

  const Layout& layout() const { return layout_; }
  Record& buffer() { return buffer_; }
  RecordStore& store() { return *store_; }
  const std::shared_ptr<RecordStore>& shared_store() const { return store_; }
  RecordTable& table() { return *table_; }

  // Sets the position to key (kKeyTooLong when it does not fit the key
  // field). Moving to another key releases this file's record lock.
  int16_t Position(std::string_view key);
  // Loads the record at the position: kNoPosition, kNoRecord (buffer kept).
  int16_t Read();
  // Tells the table, when name, that key will be read in the store's
  // transaction (RecordTable::Prefetch); *named says whether the store
  // fetches ahead. kKeyTooLong when key does not fit the key field. Moves
  // nothing.
  int16_t Prefetch(std::string_view key, bool name, bool* named);
  // Locks the positioned key against every other open of the file.
  int16_t Lock();
  // kNone when no other open of the file holds the positioned key's lock,
  // kLocked when one does; takes no lock.
  int16_t TestLock();
  // Whether Write may go to the store: kNone, kWrongDirection (read-only)
  // or kBlankKey.
  int16_t CheckWrite() const;
  // Stores the buffer under its own key field (insert or replace).
  int16_t Write();
  // Removes the record at the position: kNoPosition, kWrongDirection
  // (read-only), kNoRecord (none there).
  int16_t Delete();

  // durable: every commit of the store is on disk when it returns (the
  // default). The setting is the store's, shared by its files.
  int16_t SetDurable(bool durable);
  // Makes the store's commits done while not durable durable now.
  int16_t Sync();

 private:
  KeyedFile(std::shared_ptr<RecordStore> store, std::unique_ptr<RecordTable> table, Layout layout,
            std::unique_ptr<KeyLock> lock, bool read_only);

  std::shared_ptr<RecordStore> store_;  // declared first: outlives table_
  std::unique_ptr<RecordTable> table_;
  Layout layout_;
  Record buffer_;
  std::unique_ptr<KeyLock> lock_;  // destroyed before store_
  bool read_only_;
  std::string read_only_cause_;  // why a file opened to write may only be read
  std::optional<std::string> position_;
  std::string scratch_;
};

// Makes an empty keyed file for a layout: on the drive's server, its entry
// there (kFileExists when the server has the file); else its table in the
// folder's store (made when the folder has none), then its .DAT stub
// (kFileExists when the .DAT is there).
int16_t CreateKeyedFile(StoreCache& stores, const std::string& host_path, const Layout& layout,
                        char named_drive = '\0');

// Puts back the .DAT stub of a keyed file of a folder's store whose .DAT was
// deleted: kNone, kFileExists (the .DAT is there), kNoStoreTable (the
// folder's store holds no file of that name) or another failure. Files on a
// server have no .DAT (kBadName).
int16_t RestoreStub(StoreCache& stores, const std::string& host_path, char named_drive = '\0');

}  // namespace kvb

#endif  // KVB_SRC_KEYED_FILE_H_
