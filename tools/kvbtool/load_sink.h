// Where kvbtool load puts its records, inside the store's open transaction:
// a record at a time through the keyed file (a folder's SQLite store, and
// every dry run), or in batches onto a PostgreSQL server (kvb/src/pg_bulk.h).
// Both honour record locks: a record whose lock another open holds is waited
// for up to a bound, then the load fails naming its key.
#ifndef DEXT_TOOLS_KVBTOOL_LOAD_SINK_H_
#define DEXT_TOOLS_KVBTOOL_LOAD_SINK_H_

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "keyed_file.h"
#include "pg_bulk.h"
#include "tools/kvbtool/record_columns.h"

namespace kvbtool {

class LoadSink {
 public:
  virtual ~LoadSink() = default;
  // Stores a record made from a row: its key (padded to the key field) and
  // the row's columns in place, the rest blank. A stored record of that key
  // takes the row's columns and keeps the rest (with replace: the row whole).
  // kNone, kLocked (locked_key() says which) or the store's code.
  virtual int16_t Add(const std::string& key, const std::string& record) = 0;
  // Stores what is still held back.
  virtual int16_t Finish() = 0;
  virtual long added() const = 0;
  virtual long replaced() const = 0;
  virtual std::string locked_key() const = 0;
  // Whether records are held back and stored in batches (a failure then
  // belongs to a batch, not to the row that was added last).
  virtual bool batched() const { return false; }
};

struct SinkOptions {
  std::vector<Column> columns;  // the row's
  bool replace = false;
  // Also writes to out, for each row, "add KEY" or "replace KEY: FIELDS" (the
  // fields that change); the caller rolls the transaction back.
  bool dry_run = false;
  std::chrono::milliseconds lock_wait{3000};
};

// The bulk sink for a file on a server when it can take one (not a dry run),
// else the sink that goes through the file a record at a time.
// server_name: the file's name on its server ("" for a folder's file).
std::unique_ptr<LoadSink> NewLoadSink(kvb::KeyedFile& file, const std::string& server_name,
                                      const SinkOptions& options, std::ostream& out);

}  // namespace kvbtool

#endif  // DEXT_TOOLS_KVBTOOL_LOAD_SINK_H_
