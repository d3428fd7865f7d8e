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
#include <string>
#include <vector>

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

// One command of a pipeline: a prepared statement by name, or (prepared
// false) a statement's text, with its parameters. It owns them, so that it
// can wait to be sent with a later command.
struct PgCommand {
  std::string statement;
  bool prepared = true;
  std::vector<std::string> params;
  unsigned text_params = 0;  // bit i set: parameter i is text, else binary
  int result_format = 0;     // 0 text, 1 binary
};

// Pipeline mode (libpq's): commands go out without waiting for the answers
// of those before them, and their answers come back in order.
//
// Sends command into conn's pipeline, entering pipeline mode when needed,
// followed by a sync point: outside a transaction block each command is a
// transaction of its own, and the failure of one skips no later one. What
// libpq cannot write at once goes out with the next wait. 1 on success, 0
// when the connection failed.
int SendPipelined(PGconn* conn, const PgCommand& command);

// Waits for the answer of the oldest command in the pipeline not yet
// answered, each result within `wait`: *result (the caller clears it) is
// its first result that failed, else its last. kResult, kFailed when the
// connection broke or answered out of order, or kTimedOut; on either the
// connection is of no further use.
Awaited AwaitPipelined(PGconn* conn, std::chrono::milliseconds wait, PGresult** result);

// Leaves pipeline mode once every answer is in: true on success (also when
// not in pipeline mode).
bool LeavePipeline(PGconn* conn);

// Notes one round trip: what was sent waited for. AwaitCommand notes its
// own; a caller that waits for pipelined answers notes one per wait, however
// many commands it takes in.
void NoteRoundTrip();

// The round trips to record servers this process has made so far.
long RoundTripsSoFar();

}  // namespace kvb

#endif  // KVB_SRC_PG_CALL_H_
