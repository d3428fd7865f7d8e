// kvbtool load against the stores' own bulk loaders on the same rows:
// `sqlite3 .import` for a folder's SQLite store, `psql \copy` for a
// PostgreSQL server (a throwaway one on a Unix socket, started here with
// fsync on, as a dealership's server runs). Runs alternate, each pair in
// turned order, each into a fresh file or table; prints the seconds of each
// side and their ratio (min / median / max; goal: kvbtool at most 2x), and
// kvbtool's peak memory for a tenth of the rows and for all of them (goal:
// the same: a load streams its input).
//
//   load_bench [--rows N] [--runs R] [--kvbtool PATH]
//     N rows (default 200000), R pairs of runs per store (default 5); PATH: a
//     kvbtool to measure instead of the one built here (an older build).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/pg_server.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  double seconds;
  long peak_kib;  // the child's peak resident memory
};

// Runs a program (standard output to /dev/null) and waits for it.
Outcome Run(const std::vector<std::string>& words) {
  std::fflush(nullptr);  // or the child would print what is buffered again
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s ...\n", words[0].c_str());
    std::exit(1);
  }
  return {seconds, usage.ru_maxrss};
}

// Vehicles with the columns a dealership loads, a few with accents.
void WriteRows(const fs::path& path, long rows) {
  std::ofstream out(path, std::ios::binary);
  out << "STKNO,VIN,YEAR,MAK,MODEL,COL,MILES,PROWN,LIST\n";
  const char* makes[] = {"FORD", "OPEL", "SKODA", "CITRO\xC3\x8BN"};
  char line[256];
  for (long i = 0; i < rows; ++i) {
    std::snprintf(line, sizeof line, "%06ld,1FTRX18W%09ld,%ld,%s,MODEL %ld,BLUE,%ld,\"Jos\xC3\xA9, M %ld\",%ld.00\n",
                  i, i * 7919 % 1000000000, 1990 + i % 35, makes[i % 4], i % 50, i % 200000,
                  i % 1000, 5000 + i % 40000);
    out << line;
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintFigures(const char* label, const std::vector<double>& values, const char* unit) {
  std::printf("  %-28s min %8.3f  median %8.3f  max %8.3f %s\n", label,
              *std::min_element(values.begin(), values.end()), Median(values),
              *std::max_element(values.begin(), values.end()), unit);
}

// Paired runs: ours() and theirs() each make a fresh target and time the
// load into it; the order turns with each pair.
template <typename Ours, typename Theirs>
void Compare(const char* store, const char* their_name, int runs, long rows, Ours ours,
             Theirs theirs) {
  std::vector<double> mine, other, ratio;
  long peak = 0;
  for (int run = 0; run < runs; ++run) {
    Outcome a{}, b{};
    if (run % 2 == 0) {
      a = ours();
      b = theirs();
    } else {
      b = theirs();
      a = ours();
    }
    mine.push_back(a.seconds);
    other.push_back(b.seconds);
    ratio.push_back(a.seconds / b.seconds);
    peak = std::max(peak, a.peak_kib);
  }
  std::printf("%s, %ld rows, %d pairs of runs\n", store, rows, runs);
  PrintFigures("kvbtool load", mine, "s");
  PrintFigures(their_name, other, "s");
  PrintFigures("ratio (goal: at most 2)", ratio, "x");
  std::printf("  kvbtool peak memory %.1f MiB\n", peak / 1024.0);
  std::fflush(stdout);
}

std::string Kvin(const fs::path& folder) { return (folder / "KVIN.DAT").string(); }

}  // namespace

int main(int argc, char** argv) {
  long rows = 200000;
  int runs = 5;
  std::string kvbtool = KVBTOOL_PATH;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rows" && i + 1 < argc) {
      rows = std::max(10L, std::atol(argv[++i]));
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--kvbtool" && i + 1 < argc) {
      kvbtool = argv[++i];
    } else {
      std::printf("usage: load_bench [--rows N] [--runs R] [--kvbtool PATH]\n");
      return arg == "--help" ? 0 : 64;
    }
  }
  kvb::test::PgServer& server = kvb::test::PgServer::Shared();
  if (!server.running()) {
    std::fprintf(stderr, "no PostgreSQL server: %s\n", server.error().c_str());
    return 1;
  }
  // The test server runs without fsync; a dealership's does not.
  const std::string admin = server.Conninfo("postgres");
  kvb::test::PgServer::Query(admin, "ALTER SYSTEM SET fsync = on");
  kvb::test::PgServer::Query(admin, "SELECT pg_reload_conf()");
  usleep(500000);
  const std::string fsync = kvb::test::PgServer::Query(admin, "SHOW fsync");
  std::printf("PostgreSQL server with fsync %s, synchronous_commit %s\n", fsync.c_str(),
              kvb::test::PgServer::Query(admin, "SHOW synchronous_commit").c_str());
  if (fsync != "on") return 1;

  char pattern[] = "/tmp/dext-load-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path scratch = pattern;
  const fs::path csv = scratch / "vehicles.csv", tenth = scratch / "tenth.csv";
  WriteRows(csv, rows);
  WriteRows(tenth, rows / 10);
  setenv("KVB_DRIVE_F", scratch.c_str(), 1);
  int made = 0;
  auto fresh_folder = [&] {
    const fs::path folder = scratch / ("f" + std::to_string(++made));
    fs::create_directories(folder);
    return folder;
  };

  // A folder's SQLite store; sqlite3 .import into a keyed table of the same
  // durability (WAL, synchronous FULL).
  const std::string columns =
      "(STKNO TEXT PRIMARY KEY, VIN TEXT, YEAR TEXT, MAK TEXT, MODEL TEXT, COL TEXT, MILES "
      "TEXT, PROWN TEXT, LIST TEXT)";
  Compare(
      "SQLite store", "sqlite3 .import", runs, rows,
      [&] {
        const fs::path folder = fresh_folder();
        Run({kvbtool, "create", Kvin(folder), SAMPLE_LAYOUTS "/KVIN.FID"});
        Outcome outcome = Run({kvbtool, "load", Kvin(folder), csv.string()});
        fs::remove_all(folder);
        return outcome;
      },
      [&] {
        const fs::path db = fresh_folder() / "import.db";
        Run({"sqlite3", db.string(),
             "PRAGMA journal_mode=WAL; CREATE TABLE kvin" + columns + " WITHOUT ROWID"});
        Outcome outcome = Run({"sqlite3", "-cmd", "PRAGMA synchronous=FULL", db.string(),
                               ".import --csv --skip 1 " + csv.string() + " kvin"});
        fs::remove_all(db.parent_path());
        return outcome;
      });

  // The server: each run into a database of its own.
  Compare(
      "PostgreSQL store", "psql \\copy", runs, rows,
      [&] {
        setenv("KVB_STORE_F", server.NewDatabase().c_str(), 1);
        const fs::path folder = fresh_folder();
        Run({kvbtool, "create", Kvin(folder), SAMPLE_LAYOUTS "/KVIN.FID"});
        Outcome outcome = Run({kvbtool, "load", Kvin(folder), csv.string()});
        unsetenv("KVB_STORE_F");
        return outcome;
      },
      [&] {
        const std::string conninfo = server.NewDatabase();
        kvb::test::PgServer::Query(conninfo, "CREATE TABLE kvin" + columns);
        return Run({"psql", "-q", conninfo, "-c",
                    "\\copy kvin FROM '" + csv.string() + "' WITH (FORMAT csv, HEADER true)"});
      });

  // Memory: a tenth of the rows and all of them, into each store.
  std::printf("kvbtool load peak memory, %ld and %ld rows\n", rows / 10, rows);
  for (const bool on_server : {false, true}) {
    for (const fs::path* input : {&tenth, &csv}) {
      if (on_server) setenv("KVB_STORE_F", server.NewDatabase().c_str(), 1);
      const fs::path folder = fresh_folder();
      Run({kvbtool, "create", Kvin(folder), SAMPLE_LAYOUTS "/KVIN.FID"});
      const Outcome outcome = Run({kvbtool, "load", Kvin(folder), input->string()});
      std::printf("  %-10s %8ld rows: %7.1f MiB in %.2f s\n", on_server ? "PostgreSQL" : "SQLite",
                  input == &csv ? rows : rows / 10, outcome.peak_kib / 1024.0, outcome.seconds);
      unsetenv("KVB_STORE_F");
    }
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return 0;
}
