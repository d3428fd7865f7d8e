// A throwaway PostgreSQL server for tests: initdb and pg_ctl (from
// /usr/lib/postgresql/15/bin, or KVB_PG_BIN) make and start a cluster in a
// fresh folder under /tmp that listens only on a Unix socket in that folder.
// PostgreSQL refuses to run as root, so under root the folder is given to
// the user nobody and the programs run as nobody (setpriv). One server is
// shared by all tests of an executable; it is stopped and its folder removed
// when the executable ends, however it ends: a watchdog process does it once
// the executable's end of a pipe closes.
#ifndef KVB_SRC_TESTING_PG_SERVER_H_
#define KVB_SRC_TESTING_PG_SERVER_H_

#include <string>
#include <vector>

namespace kvb::test {

class PgServer {
 public:
  // The executable's server, started on the first call. When it could not
  // start, running() is false and error() says why.
  static PgServer& Shared();

  bool running() const { return running_; }
  const std::string& error() const { return error_; }
  const std::string& folder() const { return folder_; }

  // Makes an empty database and returns its libpq connection string, or ""
  // (with error() set) on failure.
  std::string NewDatabase();
  // A connection string for database on this server.
  std::string Conninfo(const std::string& database) const;

  // Runs sql on the database of conninfo and returns the first value of its
  // result, "" for none, or "ERROR: ..." on failure.
  static std::string Query(const std::string& conninfo, const std::string& sql);

  // Stops the server at once, as a crash would (pg_ctl stop -m immediate),
  // and starts it again. False with error() set on failure.
  bool StopImmediately();
  bool Start();

  // Stops the server and removes its folder (at the end of the process).
  void Remove();

 private:
  PgServer();
  bool Run(const std::string& log, const std::vector<std::string>& arguments);

  bool running_ = false;
  std::string error_;
  std::string folder_;  // holds data/, the socket and the logs
  std::string bin_;
  bool as_nobody_ = false;
  int databases_ = 0;
};

}  // namespace kvb::test

#endif  // KVB_SRC_TESTING_PG_SERVER_H_
