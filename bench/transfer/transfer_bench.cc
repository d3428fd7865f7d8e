// The whole transfer, headless, on a sample dealership: deals per second,
// CPU time and syncs per deal and peak memory, next to a minimal program doing
// the same record reads and writes with plain SQLite calls at the same
// durability (WAL, synchronous FULL), one transaction a deal in one database,
// as the transfer does, every statement prepared once. The same program once
// more appending a log line and a journal row after each commit, as the
// transfer does, shows how much of the difference those two writes are.
//
//   transfer_bench            1,000 deals into 10,000 vehicles
//   transfer_bench --full     10,000 deals into 100,000 vehicles
//   transfer_bench --deals N --vehicles M --rounds R
//   transfer_bench --folder /dev/shm   files on a tmpfs: the CPU's share alone
//
// The three run in rounds, R of them (default 5), each on fresh files, taking
// turns at going first; the ratio of dext's time to each other's time in the
// same round is printed as min/median/max, so that a round slowed by other
// work on the machine weighs on all alike.
#include <fcntl.h>
#include <linux/magic.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/headless_transfer.h"
#include "bench/common/layout_width.h"
#include "sync_count.h"
#include "tools/dext-sample/sample_dealership.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  int deals = 1000;
  int vehicles = 10000;
  int rounds = 5;
  std::string folder = "/var/tmp";  // on a tmpfs, syncs cost nothing: the CPU alone
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--full") {
      options.deals = 10000;
      options.vehicles = 100000;
    } else if (arg == "--rounds" && i + 1 < argc) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--deals" && i + 1 < argc) {
      options.deals = std::atoi(argv[++i]);
    } else if (arg == "--vehicles" && i + 1 < argc) {
      options.vehicles = std::atoi(argv[++i]);
    } else if (arg == "--folder" && i + 1 < argc) {
      options.folder = argv[++i];
    } else {
      std::printf(
          "usage: transfer_bench [--full] [--deals N] [--vehicles M] [--rounds R] "
          "[--folder DIR]\n");
      std::exit(arg == "--help" ? 0 : 64);
    }
  }
  return options;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// ---- DEXT ------------------------------------------------------------------

struct Rate {
  double deals_per_second;
  double syncs_per_deal;
  double cpu_us_per_deal;  // this process's, in user space and in the kernel
};

double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

Rate RunDext(const fs::path& root, int deals) {
  setenv("KVB_DRIVE_F", (root / "F").c_str(), 1);
  const fs::path previous = fs::current_path();
  fs::current_path(root / "work");
  const long syncs_before = kvb::SyncsSoFar();
  const double cpu_before = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const dext::bench::TransferEnd end = dext::bench::RunHeadlessTransfer();
  const double seconds = Seconds(start);
  const double cpu = CpuSeconds() - cpu_before;
  const long syncs = kvb::SyncsSoFar() - syncs_before;
  fs::current_path(previous);
  if (!end.Complete()) {
    end.Report();
    std::exit(1);
  }
  return {deals / seconds, static_cast<double>(syncs) / deals, cpu * 1e6 / deals};
}

// ---- plain SQLite ------------------------------------------------------------

// One database with a table per record file, as the transfer's store; every
// statement of the deals prepared once, BEGIN and COMMIT included.
class Database {
 public:
  struct Table {
    sqlite3_stmt* get = nullptr;
    sqlite3_stmt* put = nullptr;
  };

  explicit Database(const fs::path& path) {
    Check(sqlite3_open(path.c_str(), &db_));
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;");
    begin_ = Prepare("BEGIN IMMEDIATE");
    commit_ = Prepare("COMMIT");
  }
  ~Database() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }
  void Exec(const char* sql) { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }
  void Begin() { Step(begin_); }
  void Commit() { Step(commit_); }
  Table AddTable(const std::string& table) {
    Exec(
        ("CREATE TABLE " + table + " (k TEXT PRIMARY KEY, v BLOB NOT NULL) WITHOUT ROWID").c_str());
    return {Prepare("SELECT v FROM " + table + " WHERE k=?"),
            Prepare("INSERT OR REPLACE INTO " + table + " VALUES (?,?)")};
  }

  // Reads the record under key into record; false when there is none.
  bool Read(const Table& table, const std::string& key, std::string& record) {
    sqlite3_bind_text(table.get, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(table.get) == SQLITE_ROW;
    if (found) {
      record.assign(static_cast<const char*>(sqlite3_column_blob(table.get, 0)),
                    static_cast<size_t>(sqlite3_column_bytes(table.get, 0)));
    }
    sqlite3_reset(table.get);
    return found;
  }
  // Writes within the transaction in progress.
  void Put(const Table& table, const std::string& key, const std::string& record) {
    sqlite3_bind_text(table.put, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_blob(table.put, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
    if (sqlite3_step(table.put) != SQLITE_DONE) Check(sqlite3_errcode(db_));
    sqlite3_reset(table.put);
  }

 private:
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr));
    statements_.push_back(statement);
    return statement;
  }
  void Step(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    sqlite3_reset(statement);
    Check(rc);
  }
  void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
      std::fprintf(stderr, "sqlite: %s\n", db_ ? sqlite3_errmsg(db_) : "open failed");
      std::exit(1);
    }
  }
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
};

Database::Table Load(Database& db, const std::string& name, const sample::Table& rows, int width) {
  const Database::Table table = db.AddTable(name);
  const std::string blank(static_cast<size_t>(width), ' ');
  db.Begin();
  for (const auto& row : rows.rows) db.Put(table, row[0], blank);
  db.Commit();
  return table;
}

// Records as wide as the transfer's: those of the dealership's layouts.
struct Widths {
  int vehicle, accounting, customer;
};

Widths LayoutWidths(const fs::path& dealership) {
  const fs::path layouts = dealership / "F" / "KD" / "FF";
  return {dext::bench::RecordWidth(layouts / "KVIN.FID"),
          dext::bench::RecordWidth(layouts / "KJRVH.FID"),
          dext::bench::RecordWidth(layouts / "KCU.FID")};
}

// Appends a line to a file opened for appending, as the transfer appends its
// log line and journal row after each deal's commit.
class AppendedFile {
 public:
  explicit AppendedFile(const fs::path& path)
      : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644)) {}
  ~AppendedFile() {
    if (fd_ >= 0) close(fd_);
  }
  void Append(const std::string& line) {
    if (write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
      std::perror("append");
      std::exit(1);
    }
  }

 private:
  int fd_;
};

// What is appended a deal: lines as long as the transfer's log line and
// journal row.
const std::string kLogLine(115, 'L');
const std::string kJournalRow(150, 'J');

// Per deal, in one transaction, the same reads and writes as the transfer:
// the sold vehicle is read and written back; the accounting record is looked
// up and written when new; the customer is read and written; the traded
// vehicle is looked up and written when new; the deal is noted done. With
// report, a log line and a journal row are appended after each commit.
Rate RunPlainSqlite(const fs::path& root, const sample::SampleDealership& shop,
                    const Widths& widths, bool report) {
  fs::create_directories(root);
  std::optional<AppendedFile> log, journal;
  if (report) {
    log.emplace(root / "run.log");
    journal.emplace(root / "journal.csv");
  }
  Database db(root / "records.db");
  const Database::Table kvin = Load(db, "kvin", shop.vehicles, widths.vehicle);
  const Database::Table kcu = Load(db, "kcu", shop.customers, widths.customer);
  const Database::Table kjrvh = Load(db, "kjrvh", shop.accounting, widths.accounting);
  const Database::Table progress = db.AddTable("progress");
  const std::string vehicle(static_cast<size_t>(widths.vehicle), ' '),
      accounting(static_cast<size_t>(widths.accounting), ' '),
      customer(static_cast<size_t>(widths.customer), ' ');
  const long syncs_before = kvb::SyncsSoFar();
  const double cpu_before = CpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  std::string record;
  const size_t deals = shop.deal_records.size() / 2;
  for (size_t i = 0; i < deals; ++i) {
    const std::string& first = shop.deal_records[2 * i];
    const std::string& second = shop.deal_records[2 * i + 1];
    const std::string stock = first.substr(0, 6);
    db.Begin();
    if (db.Read(kvin, stock, record)) {
      record[0] = '2';
      db.Put(kvin, stock, record);
      if (!db.Read(kjrvh, stock, record)) db.Put(kjrvh, stock, accounting);
      const std::string key = second.size() > 170 ? second.substr(163, 8) : stock;
      db.Read(kcu, key, record);
      db.Put(kcu, key, customer);
      const std::string trade = first.size() >= 94 ? first.substr(88, 6) : "";
      if (trade.find_first_not_of(' ') != std::string::npos && !db.Read(kvin, trade, record)) {
        db.Put(kvin, trade, vehicle);
      }
    }
    db.Put(progress, std::to_string(i), "P");
    db.Commit();
    if (report) {
      journal->Append(kJournalRow);
      log->Append(kLogLine);
    }
  }
  const double seconds = Seconds(start);
  const double cpu = CpuSeconds() - cpu_before;
  return {static_cast<double>(deals) / seconds,
          static_cast<double>(kvb::SyncsSoFar() - syncs_before) / static_cast<double>(deals),
          cpu * 1e6 / static_cast<double>(deals)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintSpread(const char* what, const std::vector<double>& values, const char* after) {
  std::printf("  %-44s %8.2f %8.2f %8.2f%s\n", what,
              *std::min_element(values.begin(), values.end()), Median(values),
              *std::max_element(values.begin(), values.end()), after);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  std::string pattern = options.folder + "/dext-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror(options.folder.c_str());
    return 1;
  }
  const fs::path root = pattern;
  if (struct statfs where{}; statfs(root.c_str(), &where) == 0 && where.f_type == TMPFS_MAGIC) {
    std::printf("%s is a tmpfs: syncs cost nothing, the figures are the CPU's share alone\n",
                options.folder.c_str());
  }
  std::printf("transfer of %d deals into %d vehicles\n", options.deals, options.vehicles);

  setenv("KVBTOOL", KVBTOOL_PATH, 1);
  if (!kvb::CountSyncs()) return 1;
  std::optional<sample::SampleDealership> shop;  // made after the first transfer
  // Each side's figures over the rounds; [0] dext, [1] plain SQLite, [2]
  // plain SQLite with the log line and journal row.
  constexpr int kSides = 3;
  std::vector<double> rates[kSides], cpu[kSides], ratios[kSides];
  Rate rate[kSides] = {};
  long dext_rss = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    const fs::path dealership = root / ("dext" + std::to_string(round));
    const std::string make = std::string(DEXT_SAMPLE_PATH) + " " + dealership.string() +
                             " --deals " + std::to_string(options.deals) + " --vehicles " +
                             std::to_string(options.vehicles) + " --seed 1 >/dev/null";
    if (std::system(make.c_str()) != 0) return 1;
    const Widths widths = LayoutWidths(dealership);
    const fs::path sqlite_root = root / ("sqlite" + std::to_string(round));
    // The sides take turns at going first, second and third; dext goes first
    // in the first round, so that its peak memory is its own.
    for (int turn = 0; turn < kSides; ++turn) {
      const int side = (round - 1 + turn) % kSides;
      if (side == 0) {
        rate[0] = RunDext(dealership, options.deals);
        if (dext_rss == 0) dext_rss = PeakRssKb();
        continue;
      }
      if (!shop) shop = sample::MakeSampleDealership({options.deals, options.vehicles, 1});
      rate[side] = RunPlainSqlite(sqlite_root / std::to_string(side), *shop, widths, side == 2);
    }
    std::printf("  round %d: dext %.1f deals/s, plain SQLite %.1f, with log and journal %.1f\n",
                round, rate[0].deals_per_second, rate[1].deals_per_second,
                rate[2].deals_per_second);
    for (int side = 0; side < kSides; ++side) {
      rates[side].push_back(rate[side].deals_per_second);
      cpu[side].push_back(rate[side].cpu_us_per_deal);
      ratios[side].push_back(rate[side].deals_per_second / rate[0].deals_per_second);
    }
    std::error_code ignored;
    fs::remove_all(dealership, ignored);
    fs::remove_all(sqlite_root, ignored);
  }
  std::printf("  %-44s %8s %8s %8s\n", "", "min", "median", "max");
  PrintSpread("dext (libkvb), deals/s", rates[0], "");
  PrintSpread("plain SQLite, deals/s", rates[1], "");
  PrintSpread("plain SQLite + log and journal, deals/s", rates[2], "");
  PrintSpread("dext's time / plain SQLite's", ratios[1], "  (goal: at most 1.10)");
  PrintSpread("dext's time / plain SQLite + log and journal", ratios[2], "");
  PrintSpread("dext, CPU a deal (us)", cpu[0], "");
  PrintSpread("plain SQLite, CPU a deal (us)", cpu[1], "");
  PrintSpread("plain SQLite + log and journal, CPU (us)", cpu[2], "");
  std::printf("  syncs a deal: dext %.2f (goal: at most 1.2), plain SQLite %.2f\n",
              rate[0].syncs_per_deal, rate[1].syncs_per_deal);
  std::printf("  peak RSS: %ld KiB after the first transfer, %ld KiB at the end\n", dext_rss,
              PeakRssKb());
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
