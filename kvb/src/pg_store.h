// The keyed record files of a drive on a PostgreSQL server, for several
// workstations sharing them. One database holds every such file:
//
//   kvb_meta(name PRIMARY KEY, value)           format marker
//   kvb_files(id, name UNIQUE, layout)          each file (by its upper-cased
//                                               path on the drive) and layout
//   kvb_records(file, key, data,                the fixed-width records,
//               PRIMARY KEY(file, key))         key and data as bytea
//
// The catalogue is made by the first create. Each store is one connection
// (libpq), with TCP keepalives on both ends so that a dead peer is noticed
// in bounded time, a 5 second lock timeout (then kBusy), and
// synchronous_commit on while durable (a commit returns once the server
// has it on disk). Record locks are session advisory locks of that
// connection on a 64-bit hash of file name and key, so the server drops
// them when the connection ends, whatever ended it. A connection that
// breaks fails every later call with kConnectionLost.
#ifndef KVB_SRC_PG_STORE_H_
#define KVB_SRC_PG_STORE_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "record_store.h"

struct pg_conn;    // libpq's PGconn
struct pg_result;  // libpq's PGresult

namespace kvb {

// Connects to the server named by conninfo (a libpq connection string or
// URI). Returns kNone, kBadStoreSetting (conninfo does not parse),
// kServerUnreachable (no server answers) or kLoginRefused (the server
// answered and refused: user, password, database or permission).
int16_t OpenPgStore(const std::string& conninfo, std::unique_ptr<RecordStore>* store);

// The current value of a setting of a PostgreSQL store's session ("" for
// another store or on failure), for tests.
std::string PgSessionSetting(RecordStore& store, const std::string& name);

// The hash under which a record lock of key in file name is taken.
int64_t PgLockId(std::string_view name, std::string_view key);

// What work on a table beside the store (pg_bulk.h) needs: the store's
// connection (sending without waiting), the file's id in kvb_records, the
// store's reading of a result (a code, noting a connection that broke), its
// call of a command (sent by `send`, a PQsend... call, and waited for within
// the store's wait; on success *result, owned by the caller, is the last
// result), the store's wait for each answer, and a way to tell it that the
// connection broke or hangs (lose returns the code). False, leaving *access
// alone, for a table of another store.
struct PgTableAccess {
  pg_conn* conn = nullptr;
  std::string file_id;
  std::function<int16_t(const pg_result*)> check;
  std::function<int16_t(const std::function<int()>& send, pg_result** result)> call;
  std::chrono::milliseconds wait{0};
  std::function<int16_t(int16_t code)> lose;
};
bool AccessPgTable(RecordTable& table, PgTableAccess* access);

}  // namespace kvb

#endif  // KVB_SRC_PG_STORE_H_
