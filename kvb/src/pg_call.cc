#include "pg_call.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace kvb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kDefaultWaitSeconds = 30;

// Round trips of the whole process, for measuring (RoundTripsSoFar).
std::atomic<long> round_trips{0};

// Sends what is queued and waits until a result can be taken without
// blocking. kResult when one can, kFailed or kTimedOut.
Awaited WaitUntilReady(PGconn* conn, Clock::time_point deadline) {
  for (;;) {
    const int flushed = PQflush(conn);  // 0 all sent, 1 more to send
    if (flushed < 0) return Awaited::kFailed;
    if (flushed == 0 && !PQisBusy(conn)) return Awaited::kResult;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Awaited::kTimedOut;
    pollfd watched{PQsocket(conn), static_cast<short>(POLLIN | (flushed == 1 ? POLLOUT : 0)), 0};
    if (watched.fd < 0) return Awaited::kFailed;
    const int ready = poll(&watched, 1, static_cast<int>(std::min<long>(left.count(), 1 << 30)));
    if (ready < 0 && errno != EINTR) return Awaited::kFailed;
    if (ready > 0 && (watched.revents & (POLLIN | POLLERR | POLLHUP)) != 0 &&
        PQconsumeInput(conn) == 0) {
      return Awaited::kFailed;
    }
  }
}

bool Failed(const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  return status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
}

}  // namespace

std::chrono::milliseconds ServerWait() {
  long seconds = kDefaultWaitSeconds;
  if (const char* text = std::getenv("KVB_SERVER_WAIT"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long given = std::strtol(text, &end, 10);
    if (*end == '\0' && given >= 1 && given <= 86400) seconds = given;
  }
  return std::chrono::seconds(seconds);
}

Awaited AwaitNextResult(PGconn* conn, std::chrono::milliseconds wait, PGresult** result) {
  *result = nullptr;
  const Awaited ready = WaitUntilReady(conn, Clock::now() + wait);
  if (ready != Awaited::kResult) return ready;
  *result = PQgetResult(conn);
  return *result != nullptr ? Awaited::kResult : Awaited::kEnd;
}

Awaited AwaitSent(PGconn* conn, std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  for (;;) {
    const int flushed = PQflush(conn);
    if (flushed < 0) return Awaited::kFailed;
    if (flushed == 0) return Awaited::kResult;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return Awaited::kTimedOut;
    pollfd watched{PQsocket(conn), static_cast<short>(POLLIN | POLLOUT), 0};
    const int ready = poll(&watched, 1, static_cast<int>(std::min<long>(left.count(), 1 << 30)));
    if (ready < 0 && errno != EINTR) return Awaited::kFailed;
    if (ready > 0 && (watched.revents & POLLIN) != 0 && PQconsumeInput(conn) == 0) {
      return Awaited::kFailed;
    }
  }
}

Awaited AwaitCommand(PGconn* conn, std::chrono::milliseconds wait, PGresult** result) {
  NoteRoundTrip();
  *result = nullptr;
  for (;;) {
    PGresult* next = nullptr;
    const Awaited awaited = AwaitNextResult(conn, wait, &next);
    if (awaited == Awaited::kEnd) break;
    if (awaited != Awaited::kResult) {
      PQclear(*result);
      *result = nullptr;
      return awaited;
    }
    if (*result != nullptr && Failed(*result)) {
      PQclear(next);  // the first failure is what counts
    } else {
      PQclear(*result);
      *result = next;
    }
  }
  return *result != nullptr ? Awaited::kResult : Awaited::kFailed;
}

int SendPipelined(PGconn* conn, const PgCommand& command) {
  if (PQpipelineStatus(conn) == PQ_PIPELINE_OFF && PQenterPipelineMode(conn) != 1) return 0;
  int sent = 0;
  if (!command.prepared) {
    sent = PQsendQueryParams(conn, command.statement.c_str(), 0, nullptr, nullptr, nullptr,
                             nullptr, command.result_format);
  } else {
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (size_t i = 0; i < command.params.size(); ++i) {
      // A text parameter is read up to the zero std::string keeps after it.
      values.push_back(command.params[i].c_str());
      lengths.push_back(static_cast<int>(command.params[i].size()));
      formats.push_back((command.text_params >> i) & 1 ? 0 : 1);
    }
    sent = PQsendQueryPrepared(conn, command.statement.c_str(), static_cast<int>(values.size()),
                               values.data(), lengths.data(), formats.data(),
                               command.result_format);
  }
  return sent == 1 && PQpipelineSync(conn) == 1 ? 1 : 0;
}

Awaited AwaitPipelined(PGconn* conn, std::chrono::milliseconds wait, PGresult** result) {
  *result = nullptr;
  for (;;) {
    PGresult* next = nullptr;
    const Awaited awaited = AwaitNextResult(conn, wait, &next);
    if (awaited == Awaited::kEnd) break;
    if (awaited != Awaited::kResult) return awaited;
    if (*result != nullptr && Failed(*result)) {
      PQclear(next);
    } else {
      PQclear(*result);
      *result = next;
    }
  }
  PGresult* sync = nullptr;
  const Awaited awaited = AwaitNextResult(conn, wait, &sync);
  const bool in_order = awaited == Awaited::kResult &&
                        PQresultStatus(sync) == PGRES_PIPELINE_SYNC && *result != nullptr;
  PQclear(sync);
  if (in_order) return Awaited::kResult;
  return awaited == Awaited::kTimedOut ? awaited : Awaited::kFailed;
}

bool LeavePipeline(PGconn* conn) { return PQexitPipelineMode(conn) == 1; }

void NoteRoundTrip() { ++round_trips; }

long RoundTripsSoFar() { return round_trips.load(); }

}  // namespace kvb
