#include "pg_call.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kvb {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kDefaultWaitSeconds = 30;

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

}  // namespace kvb
