// The table of open files by file number, shared by the library's entry
// points, with the stores those files use and the open transactions. Calls
// are serialized by one mutex (the library is used from one thread; the
// mutex only keeps a second thread from corrupting the table).
#ifndef KVB_SRC_OPEN_FILES_H_
#define KVB_SRC_OPEN_FILES_H_

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "keyed_file.h"
#include "store_cache.h"
#include "text_file.h"

namespace kvb {

struct OpenFile {
  std::unique_ptr<KeyedFile> keyed;    // a keyed file, or
  std::unique_ptr<TextReader> reader;  // a text file opened to read, or
  std::unique_ptr<TextWriter> writer;  // a text file being made
  std::string current_line;            // the reader's last line
};

// An open transaction of a file-number base (KVBbegin).
struct Transaction {
  // The store its writes go to, from its first write on; every write of it
  // must go there.
  std::shared_ptr<RecordStore> store;
  // A write failed and the store undid the transaction: commit is refused.
  bool undone = false;
};

// File numbers under a base: base + 0 .. base + kFilesPerBase - 1.
constexpr int kFilesPerBase = 256;
// KVBinit(0) hands out multiples of this, starting with it.
constexpr int16_t kFirstBase = 256;

struct Library {
  std::mutex mutex;
  std::map<int16_t, OpenFile> files;
  StoreCache stores;  // the stores of the open keyed files, by folder
  std::map<int16_t, Transaction> transactions;  // by base
  bool autosecure = false;
  std::string network_type;
};

Library& TheLibrary();

// The open file under number, or nullptr with *code set (kBadFileNumber,
// kFileNotOpen).
OpenFile* FindFile(Library& library, int16_t number, int16_t* code);

// The open transaction whose base's numbers include number, or end().
std::map<int16_t, Transaction>::iterator TransactionOf(Library& library, int number);

// Ends a transaction, undoing its writes.
void RollBack(Library& library, std::map<int16_t, Transaction>::iterator transaction);

// Writes the buffer of the keyed file under number: inside the open
// transaction of its base when there is one, else as its own commit.
int16_t WriteKeyed(Library& library, int16_t number, KeyedFile& file);

// Deletes the record at the position of the keyed file under number, as
// WriteKeyed writes.
int16_t DeleteKeyed(Library& library, int16_t number, KeyedFile& file);

// Reads the record at the position of the keyed file under number. Inside
// an open transaction of its base that has no store yet, the read starts the
// store's transaction first, so that what is read and then written back in
// the transaction cannot change in between.
int16_t ReadKeyed(Library& library, int16_t number, KeyedFile& file);

// Names key of the keyed file under number as a record that the open
// transaction of its base will read (KVBprefetch). Outside a transaction, or
// for a file of another store than the transaction's, nothing happens. A
// store that fetches ahead starts its transaction here, as at a first read.
int16_t PrefetchKeyed(Library& library, int16_t number, KeyedFile& file, std::string_view key);

// Closes one file: a made text file is published, a keyed file synced when
// its writes were not yet durable. Closing a keyed file under a base with an
// open transaction rolls the transaction back. Returns kNone or the first
// failure; the file is gone from the table either way.
int16_t CloseFile(Library& library, int16_t number);

// Text results live here until the next call on the thread.
const char* TextResult(std::string_view text);

}  // namespace kvb

#endif  // KVB_SRC_OPEN_FILES_H_
