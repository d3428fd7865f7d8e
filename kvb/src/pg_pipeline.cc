#include "pg_pipeline.h"

namespace kvb {
namespace {

bool Failed(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
}

}  // namespace

bool PgPipeline::Post(const PgCommand& command, bool may_fail) {
  if (SendPipelined(conn_, command) != 1) return false;
  posted_.push_back(may_fail);
  // Out now where the socket takes it, so that the server acts on it (a
  // lock's release) without waiting for the next exchange.
  return PQflush(conn_) >= 0;
}

Awaited PgPipeline::Exchange(const std::vector<PgCommand>& commands, PGresult** earlier,
                             std::vector<PGresult*>* results) {
  if (earlier != nullptr) *earlier = nullptr;
  results->clear();
  if (commands.empty() && posted_.empty()) return Awaited::kResult;
  for (const PgCommand& command : commands) {
    if (SendPipelined(conn_, command) != 1) return Awaited::kFailed;
  }
  NoteRoundTrip();
  std::vector<bool> posted;
  posted.swap(posted_);
  for (const bool may_fail : posted) {
    PGresult* result = nullptr;
    const Awaited awaited = AwaitPipelined(conn_, wait_, &result);
    if (awaited != Awaited::kResult) {
      PQclear(result);
      return awaited;
    }
    if (earlier != nullptr && *earlier == nullptr && !may_fail && Failed(result)) {
      *earlier = result;
    } else {
      PQclear(result);
    }
  }
  for (size_t i = 0; i < commands.size(); ++i) {
    PGresult* result = nullptr;
    const Awaited awaited = AwaitPipelined(conn_, wait_, &result);
    if (awaited != Awaited::kResult) {
      PQclear(result);
      return awaited;
    }
    results->push_back(result);
  }
  return LeavePipeline(conn_) ? Awaited::kResult : Awaited::kFailed;
}

}  // namespace kvb
