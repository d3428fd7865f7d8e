// The commands a store sends to its server without waiting for their
// answers, and the exchanges that collect those answers: a write inside a
// transaction, or the release of a record lock, needs no answer before the
// next read, so it goes out at once and its answer comes back with that
// read's, in the same round trip.
#ifndef KVB_SRC_PG_PIPELINE_H_
#define KVB_SRC_PG_PIPELINE_H_

#include <libpq-fe.h>

#include <chrono>
#include <vector>

#include "pg_call.h"

namespace kvb {

class PgPipeline {
 public:
  // conn must be in non-blocking mode and outlive the pipeline.
  PgPipeline(PGconn* conn, std::chrono::milliseconds wait) : conn_(conn), wait_(wait) {}

  // Sends command now; its answer is taken in by the next Exchange. A
  // failure of a command that may_fail (the release of a lock) is no
  // failure of that exchange. False when the connection failed.
  bool Post(const PgCommand& command, bool may_fail);

  // Whether commands were posted whose answers are not in yet.
  bool pending() const { return !posted_.empty(); }

  // Sends commands, then waits for the answers of what was posted before
  // and of commands, each within the wait: one round trip. *earlier (when
  // not null, the caller clears it) is the first posted command that failed
  // and must not; *results gets one result per command (the caller clears
  // them). kResult, or kFailed / kTimedOut, after which the connection is of
  // no further use. Leaves pipeline mode once every answer is in, so that
  // the connection takes ordinary calls again.
  Awaited Exchange(const std::vector<PgCommand>& commands, PGresult** earlier,
                   std::vector<PGresult*>* results);

  // Forgets what was posted (the connection is lost).
  void Drop() { posted_.clear(); }

 private:
  PGconn* conn_;
  std::chrono::milliseconds wait_;
  std::vector<bool> posted_;  // may each posted command fail?
};

}  // namespace kvb

#endif  // KVB_SRC_PG_PIPELINE_H_
