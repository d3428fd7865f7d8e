// The whole transfer, headless, on a sample dealership: deals per second,
// syncs per deal and peak memory, next to a minimal program doing the same
// record reads and writes with plain SQLite calls at the same durability (WAL,
// synchronous FULL) with each write its own durable commit, as the postings
// did before a deal became one transaction.
//
//   transfer_bench            1,000 deals into 10,000 vehicles
//   transfer_bench --full     10,000 deals into 100,000 vehicles
//   transfer_bench --deals N --vehicles M --rounds R
//
// The two sides run alternately, R rounds (default 3), each on fresh files;
// the best round of each is compared, since other work on the machine only
// ever slows a round down.
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
#include <optional>
#include <string>

#include "records/library.h"
#include "sync_count.h"
#include "session/orderly_end.h"
#include "context/session.h"
#include "session/start.h"
#include "toolkit/front_end.h"
#include "toolkit/headless.h"
#include "tools/dext-sample/sample_dealership.h"
#include "transfer/file_system.h"
#include "transfer/transfer.h"

namespace fs = std::filesystem;

namespace {

struct Options {
  int deals = 1000;
  int vehicles = 10000;
  int rounds = 3;
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
  std::ostringstream ignored;
  toolkit::HeadlessFrontEnd front_end(ignored);
  toolkit::SetFrontEnd(&front_end);
  dext::ResetSession();
  dext::BindLibrary(dext::LibKvb());
  dext::StartSession("");
  const long syncs_before = kvb::SyncsSoFar();
  const auto start = std::chrono::steady_clock::now();
  dext::ExitStatus status = dext::ExitStatus::kFailed;
  dext::FileSystem& files = dext::PosixFiles();
  dext::RunReport report(files);
  dext::ToolkitRunScreen screen;
  dext::TransferDriver driver(files, report, screen, dext::TransferSettings{});
  try {
    driver.StartTransfer();
  } catch (const dext::ProgramEnd& end) {
    status = end.status;
  } catch (const dext::Stop& stop) {
    status = driver.EndOnStop(stop);
  }
  report.Finish(status);
  const double seconds = Seconds(start);
  const long syncs = kvb::SyncsSoFar() - syncs_before;
  toolkit::SetFrontEnd(nullptr);
  fs::current_path(previous);
  if (status != dext::ExitStatus::kTransferred || !front_end.messages().empty()) {
    std::fprintf(stderr, "transfer did not complete (status %d)%s%s\n", static_cast<int>(status),
                 front_end.messages().empty() ? "" : ": ",
                 front_end.messages().empty() ? "" : front_end.messages()[0].c_str());
    std::exit(1);
  }
  return {deals / seconds, static_cast<double>(syncs) / deals};
}

// ---- plain SQLite ------------------------------------------------------------

class Table {
 public:
  Table(const fs::path& path, int width) : width_(width) {
    Check(sqlite3_open(path.c_str(), &db_));
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
         "CREATE TABLE IF NOT EXISTS r (k TEXT PRIMARY KEY, v BLOB NOT NULL) WITHOUT ROWID");
    Check(sqlite3_prepare_v2(db_, "SELECT v FROM r WHERE k=?", -1, &select_, nullptr));
    Check(sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO r VALUES (?,?)", -1, &put_, nullptr));
  }
  ~Table() {
    sqlite3_finalize(select_);
    sqlite3_finalize(put_);
    sqlite3_close(db_);
  }
  void Exec(const char* sql) { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }

  // Reads the record under key into record; false when there is none.
  bool Read(const std::string& key, std::string& record) {
    sqlite3_bind_text(select_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(select_) == SQLITE_ROW;
    if (found) {
      record.assign(static_cast<const char*>(sqlite3_column_blob(select_, 0)),
                    static_cast<size_t>(sqlite3_column_bytes(select_, 0)));
    }
    sqlite3_reset(select_);
    return found;
  }
  // Writes in a transaction of its own, durable when it returns.
  void Write(const std::string& key, const std::string& record) {
    Exec("BEGIN IMMEDIATE");
    Put(key, record);
    Exec("COMMIT");
  }
  // Writes within the transaction in progress.
  void Put(const std::string& key, const std::string& record) {
    sqlite3_bind_text(put_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_blob(put_, 2, record.data(), static_cast<int>(record.size()), SQLITE_STATIC);
    if (sqlite3_step(put_) != SQLITE_DONE) Check(sqlite3_errcode(db_));
    sqlite3_reset(put_);
  }
  std::string Blank() const { return std::string(static_cast<size_t>(width_), ' '); }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
      std::fprintf(stderr, "sqlite: %s\n", db_ ? sqlite3_errmsg(db_) : "open failed");
      std::exit(1);
    }
  }
  sqlite3* db_ = nullptr;
  sqlite3_stmt* select_ = nullptr;
  sqlite3_stmt* put_ = nullptr;
  int width_;
};

void Load(Table& table, const sample::Table& rows) {
  table.Exec("BEGIN");
  for (const auto& row : rows.rows) table.Put(row[0], table.Blank());
  table.Exec("COMMIT");
}

// The record width of a layout file: the widths of its fields times their
// occurrences.
int RecordWidth(const fs::path& layout) {
  std::ifstream in(layout);
  int width = 0;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line.substr(0, line.find('#')));
    std::string name, field_width, occurrences;
    if (!(words >> name >> field_width)) continue;
    words >> occurrences;
    const bool counted =
        !occurrences.empty() && std::isdigit(static_cast<unsigned char>(occurrences[0]));
    width += std::stoi(field_width) * (counted ? std::stoi(occurrences) : 1);
  }
  return width;
}

// Records as wide as the transfer's: those of the dealership's layouts.
struct Widths {
  int vehicle, accounting, customer;
};

Widths LayoutWidths(const fs::path& dealership) {
  const fs::path layouts = dealership / "F" / "KD" / "FF";
  return {RecordWidth(layouts / "KVIN.FID"), RecordWidth(layouts / "KJRVH.FID"),
          RecordWidth(layouts / "KCU.FID")};
}

// Per deal the same reads and writes as the transfer: the sold vehicle is
// read and written back; the accounting record is looked up and written when
// new; the customer is read and written; the traded vehicle is looked up and
// written when new.
Rate RunPlainSqlite(const fs::path& root, const sample::SampleDealership& shop,
                    const Widths& widths) {
  fs::create_directories(root);
  Table vehicles(root / "kvin.db", widths.vehicle),
      accounting(root / "kjrvh.db", widths.accounting), customers(root / "kcu.db", widths.customer);
  Load(vehicles, shop.vehicles);
  Load(customers, shop.customers);
  Load(accounting, shop.accounting);
  const long syncs_before = kvb::SyncsSoFar();
  const auto start = std::chrono::steady_clock::now();
  std::string record;
  const size_t deals = shop.deal_records.size() / 2;
  for (size_t i = 0; i < deals; ++i) {
    const std::string& first = shop.deal_records[2 * i];
    const std::string& second = shop.deal_records[2 * i + 1];
    const std::string stock = first.substr(0, 6);
    if (!vehicles.Read(stock, record)) continue;
    record[0] = '2';
    vehicles.Write(stock, record);
    if (!accounting.Read(stock, record)) accounting.Write(stock, accounting.Blank());
    const std::string customer = second.size() > 170 ? second.substr(163, 8) : stock;
    customers.Read(customer, record);
    customers.Write(customer, customers.Blank());
    const std::string trade = first.size() >= 94 ? first.substr(88, 6) : "";
    if (trade.find_first_not_of(' ') != std::string::npos && !vehicles.Read(trade, record)) {
      vehicles.Write(trade, vehicles.Blank());
    }
  }
  const double seconds = Seconds(start);
  return {static_cast<double>(deals) / seconds,
          static_cast<double>(kvb::SyncsSoFar() - syncs_before) / static_cast<double>(deals)};
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
  Widths widths{};
  double best_dext = 0, best_sqlite = 0, dext_syncs = 0, sqlite_syncs = 0;
  long dext_rss = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    const fs::path dealership = root / ("dext" + std::to_string(round));
    const std::string make = std::string(DEXT_SAMPLE_PATH) + " " + dealership.string() +
                             " --deals " + std::to_string(options.deals) + " --vehicles " +
                             std::to_string(options.vehicles) + " --seed 1 >/dev/null";
    if (std::system(make.c_str()) != 0) return 1;
    widths = LayoutWidths(dealership);
    const Rate dext = RunDext(dealership, options.deals);
    if (!shop) {
      dext_rss = PeakRssKb();
      shop = sample::MakeSampleDealership({options.deals, options.vehicles, 1});
    }
    const Rate sqlite = RunPlainSqlite(root / ("sqlite" + std::to_string(round)), *shop, widths);
    std::printf("  round %d: dext %.1f deals/s, plain SQLite %.1f deals/s\n", round,
                dext.deals_per_second, sqlite.deals_per_second);
    best_dext = std::max(best_dext, dext.deals_per_second);
    best_sqlite = std::max(best_sqlite, sqlite.deals_per_second);
    dext_syncs = dext.syncs_per_deal;
    sqlite_syncs = sqlite.syncs_per_deal;
    std::error_code ignored;
    fs::remove_all(dealership, ignored);
    fs::remove_all(root / ("sqlite" + std::to_string(round)), ignored);
  }
  std::printf("  dext (libkvb):  %9.1f deals/s  %5.2f syncs/deal (goal: at most 1.2)  "
              "peak RSS %ld KiB (the transfer)\n",
              best_dext, dext_syncs, dext_rss);
  std::printf("  plain SQLite:   %9.1f deals/s  %5.2f syncs/deal, a commit per write  "
              "peak RSS %ld KiB (whole process)\n",
              best_sqlite, sqlite_syncs, PeakRssKb());
  std::printf("  ratio: the transfer is %.2fx as fast as plain SQLite committing each write "
              "(goal: at least 2x)\n",
              best_dext / best_sqlite);
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
