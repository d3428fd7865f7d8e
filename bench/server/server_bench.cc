// The whole transfer into a PostgreSQL server (a throwaway one on a Unix
// socket, started here), from 1, 2 and 4 workstations at once: each
// workstation is a dext process in a work folder of its own, transferring its
// own share of the deals. Prints the total deals per second for each, and,
// for one workstation, the same deals done by a minimal libpq program with
// the same reads and writes, each deal one committed transaction.
//
//   server_bench [--deals N]    N deals per workstation (default 250)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <libpq-fe.h>

#include "testing/pg_server.h"
#include "tools/dext-sample/sample_dealership.h"

namespace fs = std::filesystem;

namespace {

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// A sample dealership with workstations * deals deals on the server, its deal
// file split into one work folder per workstation.
std::vector<fs::path> MakeDealership(const fs::path& root, int workstations, int deals) {
  const std::string make = std::string(DEXT_SAMPLE_PATH) + " " + root.string() + " --deals " +
                           std::to_string(workstations * deals) + " --vehicles " +
                           std::to_string(workstations * deals * 3) + " --seed 1 >/dev/null";
  if (Shell(make) != 0) {
    std::fprintf(stderr, "dext-sample failed\n");
    std::exit(1);
  }
  std::vector<std::string> records;
  std::ifstream in(root / "work" / "DEXT.DAT", std::ios::binary);
  for (std::string line; std::getline(in, line);) records.push_back(line + "\n");
  std::vector<fs::path> folders;
  for (int w = 0; w < workstations; ++w) {
    const fs::path folder = root / ("ws" + std::to_string(w));
    fs::create_directories(folder);
    fs::copy_file(root / "work" / "DEX2GL.DAT", folder / "DEX2GL.DAT");
    std::ofstream out(folder / "DEXT.DAT", std::ios::binary);
    for (int r = 2 * w * deals; r < 2 * (w + 1) * deals; ++r) out << records[r];
    folders.push_back(folder);
  }
  return folders;
}

// Runs one dext per folder at once; seconds until the last has ended.
double TransferAtOnce(const std::vector<fs::path>& folders) {
  std::fflush(stdout);  // or each child would print what is buffered again
  const auto start = std::chrono::steady_clock::now();
  std::vector<pid_t> children;
  for (const fs::path& folder : folders) {
    const pid_t child = fork();
    if (child == 0) {
      if (chdir(folder.c_str()) != 0) _exit(127);
      std::freopen("/dev/null", "w", stdout);
      execl(DEXT_PATH, DEXT_PATH, static_cast<char*>(nullptr));
      _exit(127);
    }
    children.push_back(child);
  }
  bool all_done = true;
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    all_done = all_done && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  if (!all_done) {
    std::fprintf(stderr, "a transfer did not complete\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ---- minimal libpq ------------------------------------------------------------

class Plain {
 public:
  explicit Plain(const std::string& conninfo) : db_(PQconnectdb(conninfo.c_str())) {
    Exec("SET synchronous_commit = on");
    for (const char* table : {"kvin", "kjrvh", "kcu", "progress"}) {
      Exec(std::string("CREATE TABLE ") + table + " (k text PRIMARY KEY, v bytea NOT NULL)");
    }
  }
  ~Plain() { PQfinish(db_); }
  void Exec(const std::string& sql) {
    PGresult* result = PQexec(db_, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail();
  }
  bool Read(const char* table, const std::string& key) {
    const std::string sql = std::string("SELECT v FROM ") + table + " WHERE k = $1";
    const char* values[] = {key.c_str()};
    PGresult* result = PQexecParams(db_, sql.c_str(), 1, nullptr, values, nullptr, nullptr, 1);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) Fail();
    const bool found = PQntuples(result) == 1;
    PQclear(result);
    return found;
  }
  void Write(const char* table, const std::string& key, const std::string& record) {
    const std::string sql = std::string("INSERT INTO ") + table +
                            " VALUES ($1, $2) ON CONFLICT (k) DO UPDATE SET v = excluded.v";
    const char* values[] = {key.c_str(), record.data()};
    const int lengths[] = {0, static_cast<int>(record.size())};
    const int formats[] = {0, 1};
    PGresult* result = PQexecParams(db_, sql.c_str(), 2, nullptr, values, lengths, formats, 1);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) Fail();
    PQclear(result);
  }

 private:
  [[noreturn]] void Fail() {
    std::fprintf(stderr, "libpq: %s\n", PQerrorMessage(db_));
    std::exit(1);
  }
  PGconn* db_;
};

// Per deal, in one transaction, the reads and writes of the transfer: the
// sold vehicle read and written back, the accounting record looked up and
// written when new, the customer read and written, the traded vehicle looked
// up and written when new, and the note that the deal is done.
double RunPlainLibpq(const std::string& conninfo, const sample::SampleDealership& shop) {
  Plain db(conninfo);
  const std::string vehicle(400, ' '), accounting(900, ' '), customer(400, ' ');
  db.Exec("BEGIN");
  for (const auto& row : shop.vehicles.rows) db.Write("kvin", row[0], vehicle);
  for (const auto& row : shop.customers.rows) db.Write("kcu", row[0], customer);
  for (const auto& row : shop.accounting.rows) db.Write("kjrvh", row[0], accounting);
  db.Exec("COMMIT");
  const auto start = std::chrono::steady_clock::now();
  const size_t deals = shop.deal_records.size() / 2;
  for (size_t i = 0; i < deals; ++i) {
    const std::string& first = shop.deal_records[2 * i];
    const std::string& second = shop.deal_records[2 * i + 1];
    const std::string stock = first.substr(0, 6);
    db.Exec("BEGIN");
    db.Read("progress", std::to_string(i));
    if (db.Read("kvin", stock)) {
      db.Write("kvin", stock, vehicle);
      if (!db.Read("kjrvh", stock)) db.Write("kjrvh", stock, accounting);
      const std::string key = second.size() > 170 ? second.substr(163, 8) : stock;
      db.Read("kcu", key);
      db.Write("kcu", key, customer);
      const std::string trade = first.size() >= 94 ? first.substr(88, 6) : "";
      if (trade.find_first_not_of(' ') != std::string::npos && !db.Read("kvin", trade)) {
        db.Write("kvin", trade, vehicle);
      }
    }
    db.Write("progress", std::to_string(i), "P");
    db.Exec("COMMIT");
  }
  return static_cast<double>(deals) /
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  int deals = 250;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--deals" && i + 1 < argc) {
      deals = std::max(1, std::atoi(argv[++i]));
    } else {
      std::printf("usage: server_bench [--deals N]\n");
      return arg == "--help" ? 0 : 64;
    }
  }
  kvb::test::PgServer& server = kvb::test::PgServer::Shared();
  if (!server.running()) {
    std::fprintf(stderr, "no PostgreSQL server: %s\n", server.error().c_str());
    return 1;
  }
  char pattern[] = "/tmp/dext-server-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path scratch = pattern;
  setenv("KVBTOOL", KVBTOOL_PATH, 1);
  setenv("DEXT_UI", "headless", 1);
  std::printf("transfer into one PostgreSQL server, %d deals per workstation\n", deals);
  for (int workstations : {1, 2, 4}) {
    const fs::path root = scratch / ("shop" + std::to_string(workstations));
    setenv("KVB_STORE_F", server.NewDatabase().c_str(), 1);
    setenv("KVB_DRIVE_F", (root / "F").c_str(), 1);
    const std::vector<fs::path> folders = MakeDealership(root, workstations, deals);
    const double seconds = TransferAtOnce(folders);
    const double rate = workstations * deals / seconds;
    std::printf("  %d workstation%s: %6d deals in %6.2f s, %8.1f deals/s in all\n", workstations,
                workstations == 1 ? " " : "s", workstations * deals, seconds, rate);
    if (workstations != 1) continue;
    const double plain = RunPlainLibpq(
        server.NewDatabase(), sample::MakeSampleDealership({deals, deals * 3, 1}));
    std::printf("  minimal libpq, same reads and writes: %8.1f deals/s; it is %.2fx the "
                "transfer (goal: at most 1.3x)\n",
                plain, plain / rate);
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return 0;
}
