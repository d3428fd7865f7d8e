// Calls to a PostgreSQL server that end within a bounded time.
//
// libpq's own calls (PQexec and friends) wait for the server for ever: a
// relay that stops passing packets, or a VPN that hangs without resetting the
// connection, would leave a program waiting with its transaction and its
// record locks held. The store sends every command without waiting and
// collects its results here, each within the server wait; a wait that runs
// out is reported, and the connection is then of no further use.
#ifndef KVB_SRC_PG_CALL_H_
#define KVB_SRC_PG_CALL_H_

#include <libpq-fe.h>

#include <chrono>

namespace kvb {

// How long a call waits for each answer of the server: KVB_SERVER_WAIT
// seconds (1 to 86400), 30 when unset or not such a number.
std::chrono::milliseconds ServerWait();

// How a wait for the server ended.
enum class Awaited { kResult, kEnd, kFailed, kTimedOut };

// Waits up to `wait` for the next result of the command sent last on conn
// (which must be in non-blocking mode), sending what is still queued first.
// kResult with *result set (the caller owns it), kEnd when the command has
// no further result, kFailed when the connection broke, kTimedOut.
Awaited AwaitNextResult(PGconn* conn, std::chrono::milliseconds wait, PGresult** result);

// Waits up to `wait` until what is queued for the server is sent (the data
// of a COPY): kResult, kFailed or kTimedOut.
Awaited AwaitSent(PGconn* conn, std::chrono::milliseconds wait);

// Waits for every result of the command sent last, as PQexec does: *result
// is the first that failed, else the last one. kResult, kFailed or
// kTimedOut (then *result is null).
Awaited AwaitCommand(PGconn* conn, std::chrono::milliseconds wait, PGresult** result);

}  // namespace kvb

#endif  // KVB_SRC_PG_CALL_H_
