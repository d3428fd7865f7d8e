#include "pg_bulk.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "pg_call.h"
#include "status.h"

namespace kvb {
namespace {

// A batch: large enough that a round trip is little beside its rows, small
// enough to keep the memory of a load of any size low.
constexpr size_t kBatchRows = 10000;
constexpr size_t kBatchBytes = 8 << 20;
constexpr std::chrono::milliseconds kLockPoll{100};
constexpr Oid kInt4 = 23, kInt8 = 20, kBytea = 17, kByteaArray = 1001, kInt8Array = 1016;

// The first session-level holder, other than this session, of an advisory
// lock on one of the ids ($1), as the batch's index from 1. A lock on one
// bigint shows in pg_locks with its high half as classid, its low half as
// objid and objsubid 1.
constexpr char kHeldLockSql[] =
    "SELECT b.i FROM unnest($1::int8[]) WITH ORDINALITY AS b(id, i)"
    " JOIN pg_locks p ON p.locktype = 'advisory' AND p.objsubid = 1 AND p.granted"
    " AND p.pid <> pg_backend_pid()"
    " AND p.database = (SELECT oid FROM pg_database WHERE datname = current_database())"
    " AND ((p.classid::int8 << 32) | p.objid::int8) = b.id"
    " ORDER BY b.i LIMIT 1";

constexpr char kBatchStart[] = "SAVEPOINT kvb_batch";

// Owns a PGresult.
struct Result {
  explicit Result(PGresult* result) : get(result) {}
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  ~Result() { PQclear(get); }
  PGresult* get;
};

void AppendInt32(uint32_t value, std::string* out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

// A one-dimensional array in PostgreSQL's binary form.
void StartArray(Oid element, size_t count, std::string* out) {
  out->clear();
  AppendInt32(1, out);  // dimensions
  AppendInt32(0, out);  // no nulls
  AppendInt32(element, out);
  AppendInt32(static_cast<uint32_t>(count), out);
  AppendInt32(1, out);  // lower bound
}

std::string ByteaArray(const std::vector<std::string>& values) {
  std::string array;
  StartArray(kBytea, values.size(), &array);
  for (const std::string& value : values) {
    AppendInt32(static_cast<uint32_t>(value.size()), &array);
    array += value;
  }
  return array;
}

std::string Int8Array(const std::vector<int64_t>& values) {
  std::string array;
  StartArray(kInt8, values.size(), &array);
  for (int64_t value : values) {
    AppendInt32(8, &array);
    AppendInt32(static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32), &array);
    AppendInt32(static_cast<uint32_t>(value), &array);
  }
  return array;
}

// The stored record with the merged ranges taken from the new one.
std::string MergeExpression(const std::vector<ByteRange>& merged, const std::string& stored,
                            const std::string& incoming) {
  if (merged.empty()) return incoming;
  std::string expression = stored;
  for (const ByteRange& range : merged) {
    const std::string from = std::to_string(range.offset + 1), width = std::to_string(range.width);
    expression = "overlay(" + expression + " placing substring(" + incoming + " from " + from +
                 " for " + width + ") from " + from + " for " + width + ")";
  }
  return expression;
}

// Adjacent ranges as one, so the statement has an overlay per run of fields.
std::vector<ByteRange> Joined(std::vector<ByteRange> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
  std::vector<ByteRange> joined;
  for (const ByteRange& range : ranges) {
    if (!joined.empty() && joined.back().offset + joined.back().width >= range.offset) {
      ByteRange& last = joined.back();
      last.width = std::max(last.offset + last.width, range.offset + range.width) - last.offset;
    } else {
      joined.push_back(range);
    }
  }
  return joined;
}

}  // namespace

std::unique_ptr<PgBulkLoad> PgBulkLoad::ForTable(RecordTable& table, std::string lock_name,
                                                 std::vector<ByteRange> merged) {
  PgTableAccess access;
  if (!AccessPgTable(table, &access)) return nullptr;
  return std::unique_ptr<PgBulkLoad>(
      new PgBulkLoad(std::move(access), std::move(lock_name), Joined(std::move(merged))));
}

PgBulkLoad::PgBulkLoad(PgTableAccess access, std::string lock_name,
                       std::vector<ByteRange> merged)
    : access_(std::move(access)), lock_name_(std::move(lock_name)) {
  // Adds the new records and merges the stored ones; counts the added (a row
  // the statement inserted has no xmax, one it updated has this
  // transaction's).
  upsert_sql_ =
      "WITH written AS (INSERT INTO kvb_records(file, key, data)"
      " SELECT $1, k, d FROM unnest($2::bytea[], $3::bytea[]) AS b(k, d)"
      " ON CONFLICT (file, key) DO UPDATE SET data = " +
      MergeExpression(merged, "kvb_records.data", "EXCLUDED.data") +
      " RETURNING xmax = 0 AS added)"
      " SELECT count(*) FILTER (WHERE added) FROM written";
}

int16_t PgBulkLoad::Add(std::string_view key, std::string_view record) {
  ++batch_rows_;
  auto [it, is_new] = batch_index_.try_emplace(std::string(key), keys_.size());
  if (!is_new) {
    records_[it->second] = record;
    return kNone;
  }
  keys_.emplace_back(key);
  records_.emplace_back(record);
  lock_ids_.push_back(PgLockId(lock_name_, key));
  if (keys_.size() < kBatchRows && keys_.size() * (key.size() + record.size()) < kBatchBytes) {
    return kNone;
  }
  return Send();
}

int16_t PgBulkLoad::Finish() { return keys_.empty() ? kNone : Send(); }

int16_t PgBulkLoad::Send() {
  int16_t code = WaitForLocks();
  if (code == kNone) code = Upsert();
  keys_.clear();
  records_.clear();
  lock_ids_.clear();
  batch_index_.clear();
  batch_rows_ = 0;
  return code;
}

int16_t PgBulkLoad::WaitForLocks() {
  const auto deadline = std::chrono::steady_clock::now() + lock_wait_;
  for (;;) {
    long index = -1;
    if (int16_t code = HeldKey(&index); code != kNone) return code;
    if (index < 0) return kNone;
    if (std::chrono::steady_clock::now() >= deadline) {
      locked_key_ = keys_[index];
      return kLocked;
    }
    std::this_thread::sleep_for(kLockPoll);
  }
}

int16_t PgBulkLoad::HeldKey(long* index) {
  const std::string ids = Int8Array(lock_ids_);
  const char* values[] = {ids.data()};
  const int lengths[] = {static_cast<int>(ids.size())};
  const int formats[] = {1};
  const Oid types[] = {kInt8Array};
  PGresult* answer = nullptr;
  if (int16_t code = access_.call(
          [&] {
            return PQsendQueryParams(access_.conn, kHeldLockSql, 1, types, values, lengths,
                                     formats, 0);
          },
          &answer);
      code != kNone) {
    return code;
  }
  Result held(answer);
  *index = PQntuples(held.get) > 0 ? std::atol(PQgetvalue(held.get, 0, 0)) - 1 : -1;
  return kNone;
}

// The batch under a savepoint. While batches hold only new records they
// are copied in (COPY writes many rows at a time); a batch that meets a
// stored record (a unique key violation) goes back to the savepoint, and it
// and every later batch go through INSERT ... ON CONFLICT, which merges the
// stored records on the server.
int16_t PgBulkLoad::Upsert() {
  if (int16_t code = Exec(kBatchStart); code != kNone) return code;
  long added = 0;
  int16_t code = kNone;
  if (copying_) {
    std::string state;
    code = Copy(&state);
    added = static_cast<long>(keys_.size());
    if (code != kNone && state == "23505") {
      copying_ = false;
      code = Exec("ROLLBACK TO SAVEPOINT kvb_batch");
    }
  }
  if (code == kNone && !copying_) code = Write(&added);
  if (code == kNone) code = Exec("RELEASE SAVEPOINT kvb_batch");
  if (code != kNone) return code;
  added_ += added;
  replaced_ += batch_rows_ - added;
  return kNone;
}

// The batch as new records, in COPY's binary form.
int16_t PgBulkLoad::Copy(std::string* state) {
  std::string data("PGCOPY\n\377\r\n\0", 11);
  AppendInt32(0, &data);  // flags
  AppendInt32(0, &data);  // no header extension
  const uint32_t file = static_cast<uint32_t>(std::atol(access_.file_id.c_str()));
  for (size_t i = 0; i < keys_.size(); ++i) {
    data += std::string("\0\3", 2);  // fields
    AppendInt32(4, &data);
    AppendInt32(file, &data);
    AppendInt32(static_cast<uint32_t>(keys_[i].size()), &data);
    data += keys_[i];
    AppendInt32(static_cast<uint32_t>(records_[i].size()), &data);
    data += records_[i];
  }
  data += std::string("\xFF\xFF", 2);  // the end
  PGconn* conn = access_.conn;
  auto lost = [&](Awaited awaited) {
    return access_.lose(awaited == Awaited::kTimedOut ? kServerTimeout : kConnectionLost);
  };
  if (PQsendQuery(conn, "COPY kvb_records(file, key, data) FROM STDIN (FORMAT binary)") == 0) {
    return access_.check(nullptr);
  }
  PGresult* first = nullptr;
  if (Awaited awaited = AwaitNextResult(conn, access_.wait, &first); awaited != Awaited::kResult) {
    return lost(awaited);
  }
  Result started(first);
  if (PQresultStatus(first) != PGRES_COPY_IN) {
    PGresult* rest = nullptr;
    if (Awaited awaited = AwaitCommand(conn, access_.wait, &rest); awaited == Awaited::kTimedOut) {
      return lost(awaited);
    }
    PQclear(rest);
    return access_.check(first);
  }
  // Without waiting, the connection may take the data in parts: what it
  // could not take yet is sent once the server reads again.
  int put;
  while ((put = PQputCopyData(conn, data.data(), static_cast<int>(data.size()))) == 0) {
    if (Awaited awaited = AwaitSent(conn, access_.wait); awaited != Awaited::kResult) {
      return lost(awaited);
    }
  }
  while (put > 0 && (put = PQputCopyEnd(conn, nullptr)) == 0) {
    if (Awaited awaited = AwaitSent(conn, access_.wait); awaited != Awaited::kResult) {
      return lost(awaited);
    }
  }
  if (put < 0) return access_.lose(kConnectionLost);
  PGresult* last = nullptr;
  if (Awaited awaited = AwaitCommand(conn, access_.wait, &last); awaited != Awaited::kResult) {
    return lost(awaited);
  }
  Result ended(last);
  if (const char* sqlstate = PQresultErrorField(last, PG_DIAG_SQLSTATE); sqlstate != nullptr) {
    *state = sqlstate;
  }
  return access_.check(last);
}

int16_t PgBulkLoad::Write(long* added) {
  const std::string keys = ByteaArray(keys_), records = ByteaArray(records_);
  const char* values[] = {access_.file_id.c_str(), keys.data(), records.data()};
  const int lengths[] = {0, static_cast<int>(keys.size()), static_cast<int>(records.size())};
  const int formats[] = {0, 1, 1};
  const Oid types[] = {kInt4, kByteaArray, kByteaArray};
  PGresult* answer = nullptr;
  if (int16_t code = access_.call(
          [&] {
            return PQsendQueryParams(access_.conn, upsert_sql_.c_str(), 3, types, values, lengths,
                                     formats, 0);
          },
          &answer);
      code != kNone) {
    return code;
  }
  Result written(answer);
  *added = std::atol(PQgetvalue(written.get, 0, 0));
  return kNone;
}

int16_t PgBulkLoad::Exec(const char* sql) {
  PGresult* answer = nullptr;
  const int16_t code = access_.call([&] { return PQsendQuery(access_.conn, sql); }, &answer);
  PQclear(answer);
  return code;
}

}  // namespace kvb
