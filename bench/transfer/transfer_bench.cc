// The whole transfer, headless, on a sample dealership: deals per second,
// syncs per deal and peak memory, next to a minimal program doing the same
// record reads and writes with plain SQLite calls at the same durability (WAL,
// synchronous FULL), one transaction a deal in one database, as the transfer
// does.
//
//   transfer_bench            1,000 deals into 10,000 vehicles
//   transfer_bench --full     10,000 deals into 100,000 vehicles
//   transfer_bench --deals N --vehicles M --rounds R
//
// The two sides run in pairs, R of them (default 5), each on fresh files,
// taking turns at going first; the ratio of each pair's times is printed as
// min/median/max, so that a round slowed by other work on the machine weighs
// on both sides alike.
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>
#include <optional>
#include <string>

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
    } else {
      std::printf("usage: transfer_bench [--full] [--deals N] [--vehicles M] [--rounds R]\n");
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
};

Rate RunDext(const fs::path& root, int deals) {
  setenv("KVB_DRIVE_F", (root / "F").c_str(), 1);
  const fs::path previous = fs::current_path();
  fs::current_path(root / "work");
  const long syncs_before = kvb::SyncsSoFar();
  const auto start = std::chrono::steady_clock::now();
  const dext::bench::TransferEnd end = dext::bench::RunHeadlessTransfer();
  const double seconds = Seconds(start);
  const long syncs = kvb::SyncsSoFar() - syncs_before;
  fs::current_path(previous);
  if (!end.Complete()) {
    end.Report();
    std::exit(1);
  }
  return {deals / seconds, static_cast<double>(syncs) / deals};
}

// ---- plain SQLite ------------------------------------------------------------

// One database with a table per record file, as the transfer's store.
class Database {
 public:
  explicit Database(const fs::path& path) {
    Check(sqlite3_open(path.c_str(), &db_));
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;");
  }
  ~Database() {
    for (auto& [name, statement] : statements_) sqlite3_finalize(statement);
    sqlite3_close(db_);
  }
  void Exec(const char* sql) { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }
  void AddTable(const std::string& table) {
    Exec(("CREATE TABLE " + table + " (k TEXT PRIMARY KEY, v BLOB NOT NULL) WITHOUT ROWID")
             .c_str());
    Prepare("get_" + table, "SELECT v FROM " + table + " WHERE k=?");
    Prepare("put_" + table, "INSERT OR REPLACE INTO " + table + " VALUES (?,?)");
  }

  // Reads the record under key into record; false when there is none.
  bool Read(const std::string& table, const std::string& key, std::string& record) {
    sqlite3_stmt* select = statements_["get_" + table];
    sqlite3_bind_text(select, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(select) == SQLITE_ROW;
    if (found) {
      record.assign(static_cast<const char*>(sqlite3_column_blob(select, 0)),
                    static_cast<size_t>(sqlite3_column_bytes(select, 0)));
    }
    sqlite3_reset(select);
    return found;
  }
  // Writes within the transaction in progress.
  void Put(const std::string& table, const std::string& key, const std::string& record) {
    sqlite3_stmt* put = statements_["put_" + table];
    sqlite3_bind_text(put, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_blob(put, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
    if (sqlite3_step(put) != SQLITE_DONE) Check(sqlite3_errcode(db_));
    sqlite3_reset(put);
  }

 private:
  void Prepare(const std::string& name, const std::string& sql) {
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &statements_[name], nullptr));
  }
  void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
      std::fprintf(stderr, "sqlite: %s\n", db_ ? sqlite3_errmsg(db_) : "open failed");
      std::exit(1);
    }
  }
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*> statements_;
};

void Load(Database& db, const std::string& table, const sample::Table& rows, int width) {
  db.AddTable(table);
  const std::string blank(static_cast<size_t>(width), ' ');
  db.Exec("BEGIN");
  for (const auto& row : rows.rows) db.Put(table, row[0], blank);
  db.Exec("COMMIT");
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

// Per deal, in one transaction, the same reads and writes as the transfer:
// the sold vehicle is read and written back; the accounting record is looked
// up and written when new; the customer is read and written; the traded
// vehicle is looked up and written when new; the deal is noted done.
Rate RunPlainSqlite(const fs::path& root, const sample::SampleDealership& shop,
                    const Widths& widths) {
  fs::create_directories(root);
  Database db(root / "records.db");
  Load(db, "kvin", shop.vehicles, widths.vehicle);
  Load(db, "kcu", shop.customers, widths.customer);
  Load(db, "kjrvh", shop.accounting, widths.accounting);
  db.AddTable("progress");
  const std::string vehicle(static_cast<size_t>(widths.vehicle), ' '),
      accounting(static_cast<size_t>(widths.accounting), ' '),
      customer(static_cast<size_t>(widths.customer), ' ');
  const long syncs_before = kvb::SyncsSoFar();
  const auto start = std::chrono::steady_clock::now();
  std::string record;
  const size_t deals = shop.deal_records.size() / 2;
  for (size_t i = 0; i < deals; ++i) {
    const std::string& first = shop.deal_records[2 * i];
    const std::string& second = shop.deal_records[2 * i + 1];
    const std::string stock = first.substr(0, 6);
    db.Exec("BEGIN IMMEDIATE");
    if (db.Read("kvin", stock, record)) {
      record[0] = '2';
      db.Put("kvin", stock, record);
      if (!db.Read("kjrvh", stock, record)) db.Put("kjrvh", stock, accounting);
      const std::string key = second.size() > 170 ? second.substr(163, 8) : stock;
      db.Read("kcu", key, record);
      db.Put("kcu", key, customer);
      const std::string trade = first.size() >= 94 ? first.substr(88, 6) : "";
      if (trade.find_first_not_of(' ') != std::string::npos && !db.Read("kvin", trade, record)) {
        db.Put("kvin", trade, vehicle);
      }
    }
    db.Put("progress", std::to_string(i), "P");
    db.Exec("COMMIT");
  }
  const double seconds = Seconds(start);
  return {static_cast<double>(deals) / seconds,
          static_cast<double>(kvb::SyncsSoFar() - syncs_before) / static_cast<double>(deals)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintSpread(const char* what, const std::vector<double>& values, const char* after) {
  std::printf("  %-34s %8.2f %8.2f %8.2f%s\n", what,
              *std::min_element(values.begin(), values.end()), Median(values),
              *std::max_element(values.begin(), values.end()), after);
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  char pattern[] = "/tmp/dext-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path root = pattern;
  std::printf("transfer of %d deals into %d vehicles\n", options.deals, options.vehicles);

  setenv("KVBTOOL", KVBTOOL_PATH, 1);
  if (!kvb::CountSyncs()) return 1;
  std::optional<sample::SampleDealership> shop;  // made after the first transfer
  std::vector<double> ratios, dext_rates, sqlite_rates;
  Rate dext{}, sqlite{};
  long dext_rss = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    const fs::path dealership = root / ("dext" + std::to_string(round));
    const std::string make = std::string(DEXT_SAMPLE_PATH) + " " + dealership.string() +
                             " --deals " + std::to_string(options.deals) + " --vehicles " +
                             std::to_string(options.vehicles) + " --seed 1 >/dev/null";
    if (std::system(make.c_str()) != 0) return 1;
    const Widths widths = LayoutWidths(dealership);
    const auto run_sqlite = [&] {
      if (!shop) shop = sample::MakeSampleDealership({options.deals, options.vehicles, 1});
      sqlite = RunPlainSqlite(root / ("sqlite" + std::to_string(round)), *shop, widths);
    };
    if (round % 2 == 0) run_sqlite();
    dext = RunDext(dealership, options.deals);
    if (round == 1) dext_rss = PeakRssKb();
    if (round % 2 == 1) run_sqlite();
    std::printf("  pair %d: dext %.1f deals/s, plain SQLite %.1f deals/s\n", round,
                dext.deals_per_second, sqlite.deals_per_second);
    ratios.push_back(sqlite.deals_per_second / dext.deals_per_second);
    dext_rates.push_back(dext.deals_per_second);
    sqlite_rates.push_back(sqlite.deals_per_second);
    std::error_code ignored;
    fs::remove_all(dealership, ignored);
    fs::remove_all(root / ("sqlite" + std::to_string(round)), ignored);
  }
  std::printf("  %-34s %8s %8s %8s\n", "", "min", "median", "max");
  PrintSpread("dext (libkvb), deals/s", dext_rates, "");
  PrintSpread("plain SQLite, deals/s", sqlite_rates, "");
  PrintSpread("dext's time / plain SQLite's", ratios, "  (goal: at most 1.10)");
  std::printf("  syncs a deal: dext %.2f (goal: at most 1.2), plain SQLite %.2f\n",
              dext.syncs_per_deal, sqlite.syncs_per_deal);
  std::printf("  peak RSS: %ld KiB after the first transfer, %ld KiB at the end\n", dext_rss,
              PeakRssKb());
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
