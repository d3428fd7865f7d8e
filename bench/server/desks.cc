#include "bench/server/desks.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <libpq-fe.h>

#include "bench/common/headless_transfer.h"
#include "bench/common/layout_width.h"
#include "records/library.h"

namespace fs = std::filesystem;

DeskTotals RunDesks(int desks, const std::function<long(int)>& desk) {
  std::fflush(stdout);  // or each child would print what is buffered again
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::pair<pid_t, int>> children;  // pid, read end of its pipe
  for (int i = 0; i < desks; ++i) {
    int ends[2];
    if (pipe(ends) != 0) std::exit(1);
    const pid_t child = fork();
    if (child == 0) {
      close(ends[0]);
      const long trips = desk(i);
      const ssize_t written = write(ends[1], &trips, sizeof trips);
      _exit(written == sizeof trips && trips >= 0 ? 0 : 1);
    }
    close(ends[1]);
    children.push_back({child, ends[0]});
  }
  DeskTotals totals{0, 0};
  bool all_done = true;
  for (auto [child, from] : children) {
    long trips = -1;
    const bool told = read(from, &trips, sizeof trips) == sizeof trips;
    close(from);
    int status = 0;
    waitpid(child, &status, 0);
    all_done = all_done && told && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    totals.round_trips += trips;
  }
  totals.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!all_done) {
    std::fprintf(stderr, "a desk did not complete\n");
    std::exit(1);
  }
  return totals;
}

long DextDesk(const fs::path& folder) {
  if (chdir(folder.c_str()) != 0) return -1;
  const dext::bench::TransferEnd end = dext::bench::RunHeadlessTransfer();
  if (!end.Complete()) {
    end.Report();
    return -1;
  }
  return dext::Library().KVBroundtrips();
}

namespace {

// The record width of one of the dealership's layout files.
size_t RecordWidth(const char* name) {
  return static_cast<size_t>(dext::bench::RecordWidth(std::string(DEXT_LAYOUTS_DIR) + "/" + name));
}

const char* const kTables[] = {"kvin", "kjrvh", "kcu", "progress"};

// One connection; every call is one round trip, counted.
class Plain {
 public:
  explicit Plain(const std::string& conninfo) : db_(PQconnectdb(conninfo.c_str())) {
    ok_ = PQstatus(db_) == CONNECTION_OK;
  }
  ~Plain() { PQfinish(db_); }
  bool ok() const { return ok_; }
  long round_trips() const { return round_trips_; }

  void Exec(const std::string& sql) { Take(PQexec(db_, sql.c_str())); }
  void Prepare(const std::string& name, const std::string& sql) {
    Take(PQprepare(db_, name.c_str(), sql.c_str(), 0, nullptr));
  }
  // Runs the prepared statement name with text key and binary record; true
  // when it returned a row.
  bool Run(const std::string& name, const std::string& key, const std::string* record = nullptr) {
    const char* values[] = {key.c_str(), record ? record->data() : nullptr};
    const int lengths[] = {0, record ? static_cast<int>(record->size()) : 0};
    const int formats[] = {0, 1};
    PGresult* result = PQexecPrepared(db_, name.c_str(), record ? 2 : 1, values, lengths, formats, 1);
    const bool row = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1;
    Take(result);
    return row;
  }

 private:
  void Take(PGresult* result) {
    ++round_trips_;
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && ok_) {
      std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(db_));
      ok_ = false;
    }
  }

  PGconn* db_;
  bool ok_;
  long round_trips_ = 0;
};

void PrepareAll(Plain& db) {
  for (const std::string table : kTables) {
    db.Prepare("get_" + table, "SELECT v FROM " + table + " WHERE k = $1 FOR UPDATE");
    db.Prepare("put_" + table, "INSERT INTO " + table +
                                   " VALUES ($1, $2) ON CONFLICT (k) DO UPDATE SET v = excluded.v");
  }
}

}  // namespace

void LoadPlain(const std::string& conninfo, const sample::SampleDealership& shop) {
  Plain db(conninfo);
  for (const char* table : kTables) {
    db.Exec(std::string("CREATE TABLE ") + table + " (k text PRIMARY KEY, v bytea NOT NULL)");
  }
  PrepareAll(db);
  const std::string vehicle(RecordWidth("KVIN.FID"), ' '), customer(RecordWidth("KCU.FID"), ' '),
      accounting(RecordWidth("KJRVH.FID"), ' ');
  db.Exec("BEGIN");
  for (const auto& row : shop.vehicles.rows) db.Run("put_kvin", row[0], &vehicle);
  for (const auto& row : shop.customers.rows) db.Run("put_kcu", row[0], &customer);
  for (const auto& row : shop.accounting.rows) db.Run("put_kjrvh", row[0], &accounting);
  db.Exec("COMMIT");
  if (!db.ok()) std::exit(1);
}

// Per deal, in one transaction, the reads and writes of the transfer: the
// sold vehicle read and written back, the accounting record looked up and
// written when new, the customer read and written, the traded vehicle looked
// up and written when new, and the note that the deal is done.
long PlainDesk(const std::string& conninfo, const std::vector<std::string>& deal_records,
               int first, int count) {
  Plain db(conninfo);
  PrepareAll(db);
  const std::string vehicle(RecordWidth("KVIN.FID"), ' '), customer(RecordWidth("KCU.FID"), ' '),
      accounting(RecordWidth("KJRVH.FID"), ' '), done = "P";
  for (int i = first; i < first + count && db.ok(); ++i) {
    const std::string& one = deal_records[2 * static_cast<size_t>(i)];
    const std::string& two = deal_records[2 * static_cast<size_t>(i) + 1];
    const std::string stock = one.substr(0, 6);
    db.Exec("BEGIN");
    if (db.Run("get_kvin", stock)) {
      db.Run("put_kvin", stock, &vehicle);
      if (!db.Run("get_kjrvh", stock)) db.Run("put_kjrvh", stock, &accounting);
      const std::string key = two.size() > 170 ? two.substr(163, 8) : stock;
      db.Run("get_kcu", key);
      db.Run("put_kcu", key, &customer);
      const std::string trade = one.size() >= 94 ? one.substr(88, 6) : "";
      if (trade.find_first_not_of(' ') != std::string::npos && !db.Run("get_kvin", trade)) {
        db.Run("put_kvin", trade, &vehicle);
      }
    }
    db.Run("put_progress", std::to_string(i), &done);
    db.Exec("COMMIT");
  }
  return db.ok() ? db.round_trips() : -1;
}
