// Removing and renaming keyed files, in a folder's store or on a server,
// for kvbtool. No program may use the file meanwhile: one that has it open
// fails its next call.
#ifndef KVB_SRC_FILE_ADMIN_H_
#define KVB_SRC_FILE_ADMIN_H_

#include <cstdint>
#include <memory>
#include <string>

#include "record_store.h"
#include "store_cache.h"

namespace kvb {

// Where a keyed file is, found without opening it.
struct KeyedFileAt {
  std::string given;                   // the host path asked for
  std::shared_ptr<RecordStore> store;  // null: a folder without KVBSTORE.DB
  std::string name;                    // in the store: "KVIN.DAT", or "DLR\KVIN.DAT" on a server
  std::string stub;                    // host path of the .DAT in a folder ("" on a server)
  bool on_server = false;
  bool has_stub = false;   // in a folder: the .DAT is there
  bool has_table = false;  // the store holds the file's records and layout
};

// Finds the keyed file at host_path: kNone when its stub or its table is
// there (a folder's file may lack one after a crash), kMissingFile when
// neither is, kNotOurs or kOldKeyedFile for a .DAT of another kind, or the
// store's failure.
int16_t LocateKeyedFile(StoreCache& stores, const std::string& host_path, KeyedFileAt* file,
                        char named_drive = '\0');

// The number of records of a located file (0 without a table).
int16_t CountRecords(const KeyedFileAt& file, long* count);

// Removes a located file: its records, layout and view in one transaction
// of its store; then, in a folder, its .DAT and lock file, and the folder
// is synced. A crash between the two leaves a .DAT without records, which
// opens with kNoStoreTable and which removing again takes away.
int16_t RemoveKeyedFile(const KeyedFileAt& file);

// Renames a located file to to_host_path in the same store (kBadName for
// another folder or server, kFileExists when the target is there), with its
// records, layout and view in one transaction; then, in a folder, the .DAT
// is renamed and the folder synced. A target that is there is never
// replaced (only a remove drops records). A crash between the two leaves
// the records under the new name and the .DAT under the old; renaming again
// finishes the move.
int16_t RenameKeyedFile(StoreCache& stores, const KeyedFileAt& from,
                        const std::string& to_host_path, char to_named_drive = '\0');

}  // namespace kvb

#endif  // KVB_SRC_FILE_ADMIN_H_
